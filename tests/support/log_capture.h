// Captures the lines of the process-wide logger for the lifetime of the
// object, at the given threshold, and restores the previous logger after.
#ifndef QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_
#define QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logger/logger.h"

namespace testing_support {

class LogCapture {
 public:
  explicit LogCapture(int level = logger::Logger::Trace);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Whole lines as written, newline included.
  std::vector<std::string> lines() const;
  // The messages: each line without its "[time] (thread) " prefix and newline,
  // e.g. "Debug: CpuCheck for check".
  std::vector<std::string> messages() const;
  bool contains(const std::string& message) const;
  std::string text() const;

 private:
  class Sink;
  std::shared_ptr<Sink> sink_;
  std::shared_ptr<logger::Logger> previous_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_LOG_CAPTURE_H_
