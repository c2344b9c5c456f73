// The process-wide diagnostic logger.
//
// Every diagnostic line of the agent goes through Logger::current_logger in
// the fixed format "[time] (thread) Level: message". log() escapes every
// message (see escape), so no text from outside can forge or break a line,
// whoever logs it. A line is written when
// its level is at or below `level`; 0 silences everything. Any thread may
// log at any time: each line is assembled first and handed over in one
// call. `level` is written only during start-up, before other threads exist.
//
// Call sites use the QLOG_* macros, which test the threshold before the
// message is built, so a suppressed line costs one comparison.
#ifndef QUOR2_LOGGER_LOGGER_H_
#define QUOR2_LOGGER_LOGGER_H_

#include <cstddef>
#include <memory>
#include <string>

namespace logger {

class Logger {
 public:
  enum LEVEL { Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

  // Level names indexed by level; index 0 is the empty name.
  static const std::string level_strings[6];

  // The one logger of the process: a StderrLogger at level 0.
  static std::shared_ptr<Logger> current_logger;

  virtual ~Logger() = default;

  // Receives one finished line, newline included.
  virtual void write_message(std::string& line) = 0;

  // Writes the line of `message`, escaped, when the level admits it.
  void log(LEVEL message_level, std::string message);

  bool enabled(LEVEL message_level) const { return message_level <= level; }

  // The line for `message` as log() writes it: escaped, newline included.
  static std::string format_line(LEVEL message_level, const std::string& message);

  int level = 0;
};

// Text made safe for one line: CR and LF are written as \r and \n, other
// control characters and bytes from 0x7f on as \xNN, a backslash as \\; a
// tab stays.
std::string escape(const std::string& text);

// The first `max_length` bytes of `text`, followed by "..." when it was cut.
// For text from outside whose length nothing bounds.
std::string shorten(const std::string& text, std::size_t max_length);

}  // namespace logger

#define QLOG(lvl, message)                                               \
  do {                                                                   \
    ::logger::Logger& quor2_logger_ = *::logger::Logger::current_logger; \
    if (quor2_logger_.enabled(lvl)) quor2_logger_.log((lvl), (message)); \
  } while (0)

#define QLOG_ERROR(message) QLOG(::logger::Logger::Error, message)
#define QLOG_WARN(message) QLOG(::logger::Logger::Warn, message)
#define QLOG_INFO(message) QLOG(::logger::Logger::Info, message)
#define QLOG_DEBUG(message) QLOG(::logger::Logger::Debug, message)
#define QLOG_TRACE(message) QLOG(::logger::Logger::Trace, message)

#endif  // QUOR2_LOGGER_LOGGER_H_
