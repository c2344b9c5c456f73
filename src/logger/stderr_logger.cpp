#include "logger/stderr_logger.h"

#include <cstdio>

namespace logger {

void StderrLogger::write_message(std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace logger
