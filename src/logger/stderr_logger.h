// The logger that writes to the process's standard error.
//
// main() may redirect descriptor 2 to the log file; this class never opens
// files. Each line is written with one fputs and flushed at once, so lines
// of concurrent threads do not interleave.
#ifndef QUOR2_LOGGER_STDERR_LOGGER_H_
#define QUOR2_LOGGER_STDERR_LOGGER_H_

#include "logger/logger.h"

namespace logger {

class StderrLogger : public Logger {
 public:
  void write_message(std::string& line) override;
};

}  // namespace logger

#endif  // QUOR2_LOGGER_STDERR_LOGGER_H_
