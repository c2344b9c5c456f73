// The output of one system command as the checks read it: its standard
// output line by line (a LineReader), then how it ended. Owned and used by
// one thread.
#ifndef QUOR2_UTILS_COMMAND_OUTPUT_H_
#define QUOR2_UTILS_COMMAND_OUTPUT_H_

#include "utils/command_status.h"
#include "utils/line_reader.h"

namespace utils {

class CommandOutput : public LineReader {
 public:
  // Reads and discards the rest of the standard output, waits for the
  // command to end and tells how it ended. Throws what reading throws (the
  // time bound, the connection's end). Call once, after reading.
  virtual CommandStatus finish() = 0;

  // Stops reading: standard output is closed, so what the command still
  // writes fails (SIGPIPE) instead of being read; finish() then only waits.
  virtual void close_output() = 0;
};

}  // namespace utils

#endif  // QUOR2_UTILS_COMMAND_OUTPUT_H_
