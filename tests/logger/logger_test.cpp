#include "logger/logger.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <boost/regex.hpp>
#include <thread>

#include "support/log_capture.h"

namespace {

using logger::Logger;

// "[time] (thread) Level: message", the caller's newline kept; a line is
// built and written only when its level is at or below the threshold.
TEST(Logger, LinesAndThreshold) {
  const std::string line = Logger::format_line(Logger::Info, "Starting quor2-2.0.0");
  char thread[24];
  std::snprintf(thread, sizeof(thread), "%llx", static_cast<unsigned long long>(pthread_self()));
  EXPECT_TRUE(boost::regex_match(
      line, boost::regex("\\[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|"
                         "Oct|Nov|Dec) [ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\\] \\(" +
                         std::string(thread) + "\\) Info: Starting quor2-2.0.0\\n")))
      << line;
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
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), threshold + (threshold > 0 ? 1u : 0u));
    if (threshold == 0) continue;
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), "1\n\n");
    EXPECT_EQ(lines.back().find(thread), std::string::npos) << "another thread, another id";
  }
}

TEST(Escape, ControlCharactersCannotForgeLines) {
  EXPECT_EQ(logger::escape("user"), "user");
  EXPECT_EQ(logger::escape("a\r\nb\tc\\d"), "a\\r\\nb\\tc\\\\d");
  EXPECT_EQ(logger::escape(std::string("\x01\x7f\xff", 3)), "\\x01\\x7f\\xff");
  // The bounded form cuts long text.
  EXPECT_EQ(logger::escape("abc", 3), "abc");
  EXPECT_EQ(logger::escape("abcd", 3), "abc...");
  EXPECT_EQ(logger::escape("\n\nxyz", 2), "\\n\\n...");
}

}  // namespace
