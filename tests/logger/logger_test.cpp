#include "logger/logger.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <boost/regex.hpp>
#include <thread>

#include "support/log_capture.h"

namespace {

using logger::Logger;

// "[time] (thread) Level: message"; a line is built and written only at or
// below the threshold.
TEST(Logger, LinesAndThreshold) {
  char thread[24];
  std::snprintf(thread, sizeof(thread), "(%llx) ", static_cast<unsigned long long>(pthread_self()));
  const std::string line = Logger::format_line(Logger::Info, "Starting quor2-2.0.0");
  EXPECT_TRUE(
      boost::regex_match(line, boost::regex("\\[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} "
                                            "[ 123][0-9] \\d\\d:\\d\\d:\\d\\d \\d{4}\\] "
                                            "\\([0-9a-f]+\\) Info: Starting quor2-2.0.0\\n")))
      << line;
  EXPECT_NE(line.find(thread), std::string::npos);
  for (int threshold = 0; threshold <= Logger::Trace; ++threshold) {
    const testing_support::LogCapture capture(threshold);
    int built = 0;
    const auto message = [&built] { return std::to_string(++built); };
    QLOG_ERROR(message());
    QLOG_WARN(message());
    QLOG_INFO(message());
    QLOG_DEBUG(message());
    QLOG_TRACE(message());
    std::thread([] { QLOG_ERROR("other"); }).join();
    EXPECT_EQ(built, threshold);
    ASSERT_EQ(capture.lines().size(), threshold + (threshold > 0 ? 1u : 0u));
    if (threshold > 0) {
      EXPECT_EQ(capture.lines()[0].substr(capture.lines()[0].size() - 4), ": 1\n");
      EXPECT_EQ(capture.lines().back().find(thread), std::string::npos);  // another thread
    }
  }
}

// The logger escapes every message: no text can forge or break a line; a
// tab stays. shorten() only cuts.
TEST(Logger, EscapesEveryMessage) {
  const std::string line = Logger::format_line(Logger::Error, "a\r\nb\tc\\d\x01\x7f\xff");
  EXPECT_EQ(line.substr(line.find("Error: ")), "Error: a\\r\\nb\tc\\\\d\\x01\\x7f\\xff\n");
  EXPECT_EQ(logger::shorten("abc", 3) + logger::shorten("a\nbcd", 3), "abca\nb...");
}

}  // namespace
