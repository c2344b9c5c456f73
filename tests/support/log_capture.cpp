#include "support/log_capture.h"

#include <algorithm>

namespace testing_support {

class LogCapture::Sink : public logger::Logger {
 public:
  void write_message(std::string& line) override {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
  }
  mutable std::mutex mutex;
  std::vector<std::string> lines;
};

LogCapture::LogCapture(int level)
    : sink_(std::make_shared<Sink>()), previous_(logger::Logger::current_logger) {
  sink_->level = level;
  logger::Logger::current_logger = sink_;
}

LogCapture::~LogCapture() { logger::Logger::current_logger = previous_; }

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(sink_->mutex);
  return sink_->lines;
}

std::vector<std::string> LogCapture::messages() const {
  std::vector<std::string> result;
  for (const std::string& line : lines()) {
    const std::string::size_type close = line.find(") ");
    std::string message = close == std::string::npos ? line : line.substr(close + 2);
    if (!message.empty() && message.back() == '\n') message.pop_back();
    result.push_back(message);
  }
  return result;
}

bool LogCapture::contains(const std::string& message) const {
  const std::vector<std::string> all = messages();
  return std::find(all.begin(), all.end(), message) != all.end();
}

std::string LogCapture::text() const {
  std::string all;
  for (const std::string& line : lines()) all += line;
  return all;
}

}  // namespace testing_support
