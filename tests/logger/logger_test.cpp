#include "logger/logger.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <boost/regex.hpp>
#include <thread>

#include "support/log_capture.h"

namespace {

using logger::Logger;
using testing_support::LogCapture;

TEST(Logger, LineFormat) {
  const std::string line = Logger::format_line(Logger::Info, "Starting quor2-2.0.0");
  const boost::regex format(
      "\\[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "[ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\\] \\([0-9a-f]+\\) Info: Starting "
      "quor2-2.0.0\\n");
  EXPECT_TRUE(boost::regex_match(line, format)) << line;
  char hex[24];
  std::snprintf(hex, sizeof(hex), "(%llx) ", static_cast<unsigned long long>(pthread_self()));
  EXPECT_NE(line.find(hex), std::string::npos);
}

TEST(Logger, ThresholdDecidesBeforeTheMessageIsBuilt) {
  for (int threshold = 0; threshold <= 5; ++threshold) {
    LogCapture capture(threshold);
    int built = 0;
    const auto message = [&built] { return std::to_string(++built); };
    QLOG_ERROR(message());
    QLOG_WARN(message());
    QLOG_INFO(message());
    QLOG_DEBUG(message());
    QLOG_TRACE(message());
    EXPECT_EQ(capture.lines().size(), static_cast<std::size_t>(threshold));
    EXPECT_EQ(built, threshold);
  }
}

TEST(Logger, KeepsTheCallersNewlineAndTellsThreadsApart) {
  LogCapture capture;
  QLOG_INFO("two\n");
  std::thread([] { QLOG_INFO("other"); }).join();
  const std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 5), "two\n\n");
  const auto thread_of = [](const std::string& line) {
    return line.substr(line.find('('), line.find(')') - line.find('('));
  };
  EXPECT_NE(thread_of(lines[0]), thread_of(lines[1]));
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
