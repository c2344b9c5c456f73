#include "logger/logger.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <boost/regex.hpp>
#include <thread>

#include "support/log_capture.h"

namespace {

using logger::Logger;

// "[time] (thread) Level: message", the caller's newline kept; a line is
// built and written only at or below the threshold.
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
    const auto message = [&built] { return std::to_string(++built) + "\n"; };
    QLOG_ERROR(message());
    QLOG_WARN(message());
    QLOG_INFO(message());
    QLOG_DEBUG(message());
    QLOG_TRACE(message());
    std::thread([] { QLOG_ERROR("other"); }).join();
    EXPECT_EQ(built, threshold);
    ASSERT_EQ(capture.lines().size(), threshold + (threshold > 0 ? 1u : 0u));
    if (threshold > 0) {
      EXPECT_EQ(capture.lines()[0].substr(capture.lines()[0].size() - 3), "1\n\n");
      EXPECT_EQ(capture.lines().back().find(thread), std::string::npos);  // another thread
    }
  }
}

// Client text cannot forge log lines; the bounded form cuts long text.
TEST(Escape, ControlCharactersCannotForgeLines) {
  EXPECT_EQ(logger::escape("a\r\nb\tc\\d"), "a\\r\\nb\\tc\\\\d");
  EXPECT_EQ(logger::escape(std::string("\x01\x7f\xff", 3)), "\\x01\\x7f\\xff");
  EXPECT_EQ(logger::escape("abc", 3) + logger::escape("abcd", 3), "abcabc...");
  EXPECT_EQ(logger::escape("\n\nxyz", 2), "\\n\\n...");
}

}  // namespace
