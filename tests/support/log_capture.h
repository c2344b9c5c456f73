// Captures the lines of the process-wide logger for the lifetime of the
// object, at the given threshold, and restores the previous logger after.
#ifndef QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_
#define QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logger/logger.h"

namespace testing_support {

class LogCapture {
 public:
  explicit LogCapture(int level = logger::Logger::Trace)
      : previous_(logger::Logger::current_logger) {
    sink_->level = level;
    logger::Logger::current_logger = sink_;
  }
  ~LogCapture() { logger::Logger::current_logger = previous_; }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Whole lines as written, newline included.
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(sink_->mutex);
    return sink_->lines;
  }
  // The messages: each line without its "[time] (thread) " prefix and newline,
  // e.g. "Debug: CpuCheck for check".
  std::vector<std::string> messages() const {
    std::vector<std::string> result;
    for (const std::string& line : lines()) {
      const std::string::size_type start =
          line.find(") ") == std::string::npos ? 0 : line.find(") ") + 2;
      result.push_back(
          line.substr(start, line.size() - start - (!line.empty() && line.back() == '\n')));
    }
    return result;
  }
  bool contains(const std::string& message) const {
    const std::vector<std::string> all = messages();
    return std::find(all.begin(), all.end(), message) != all.end();
  }

 private:
  struct Sink : logger::Logger {
    void write_message(std::string& line) override {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(line);
    }
    std::mutex mutex;
    std::vector<std::string> lines;
  };
  const std::shared_ptr<Sink> sink_ = std::make_shared<Sink>();
  const std::shared_ptr<logger::Logger> previous_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_
