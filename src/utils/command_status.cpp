#include "utils/command_status.h"

#include <cerrno>
#include <cstring>

namespace utils {

std::string CommandStatus::describe(const std::string& program) const {
  const std::string detail = error_line.empty() ? "" : ": " + error_line;
  switch (kind) {
    case kNotStarted:
      return program + ": " + (code == ENOENT ? "not found" : std::strerror(code));
    case kSignaled:
      return program + " killed by signal " + std::to_string(code) + detail;
    case kLost:
      return program + " ended with an unknown status" + detail;
    case kExited:
      break;
  }
  if (code == 0) return "";
  return program + " failed with exit status " + std::to_string(code) + detail;
}

}  // namespace utils
