#include "logger/logger.h"

#include <pthread.h>

#include <cstdio>
#include <ctime>

#include "logger/stderr_logger.h"

namespace logger {

const std::string Logger::level_strings[6] = {"", "Error", "Warn", "Info", "Debug", "Trace"};

std::shared_ptr<Logger> Logger::current_logger = std::make_shared<StderrLogger>();

std::string Logger::format_line(LEVEL message_level, const std::string& message) {
  char time_text[32] = {0};
  const std::time_t now = std::time(nullptr);
  ctime_r(&now, time_text);
  std::string time_string(time_text);
  if (!time_string.empty()) time_string.pop_back();  // ctime's newline

  std::string thread_string = "{Not-any-thread}";
  const unsigned long long thread = static_cast<unsigned long long>(pthread_self());
  if (thread != 0) {
    char hex[24];
    std::snprintf(hex, sizeof(hex), "%llx", thread);
    thread_string = hex;
  }
  return "[" + time_string + "] (" + thread_string + ") " + level_strings[message_level] + ": " +
         escape(message) + "\n";
}

void Logger::log(LEVEL message_level, std::string message) {
  if (!enabled(message_level)) return;
  std::string line = format_line(message_level, message);
  write_message(line);
}

std::string escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if ((byte < 0x20 && c != '\t') || byte >= 0x7f) {
          char hex[8];
          std::snprintf(hex, sizeof(hex), "\\x%02x", byte);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string shorten(const std::string& text, std::size_t max_length) {
  if (text.size() <= max_length) return text;
  return text.substr(0, max_length) + "...";
}

}  // namespace logger
