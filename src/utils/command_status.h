// How a system command ended, and the error text that the checks report
// when it could not give them a usable answer. A plain record.
#ifndef QUOR2_UTILS_COMMAND_STATUS_H_
#define QUOR2_UTILS_COMMAND_STATUS_H_

#include <string>

namespace utils {

struct CommandStatus {
  enum Kind {
    kExited,      // `code` is the exit status
    kSignaled,    // `code` is the signal that ended it
    kNotStarted,  // `code` is the errno of the start: ENOENT when not found
    kLost,        // it ended, but its status is gone (SIGCHLD ignored)
  };

  Kind kind = kExited;
  int code = 0;
  std::string error_line;  // the first line of its standard error, if any

  // Whether it ran and exited with status 0.
  bool succeeded() const { return kind == kExited && code == 0; }

  // Whether it did not run at all: not started, or the exit statuses 126
  // and 127 by which a program that starts others reports the same.
  bool not_run() const { return kind == kNotStarted || (kind == kExited && code >= 126); }

  // The failure of `program` as an administrator reads it: "top: not
  // found", "ps failed with exit status 1: ps: unknown option", "vmstat
  // killed by signal 9". For a command that succeeded, the empty text.
  std::string describe(const std::string& program) const;
};

}  // namespace utils

#endif  // QUOR2_UTILS_COMMAND_STATUS_H_
