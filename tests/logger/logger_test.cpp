#include "logger/logger.h"

#include <pthread.h>

#include <thread>

#include <boost/regex.hpp>
#include <gtest/gtest.h>

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

TEST(Logger, ThresholdDecides) {
  for (int threshold = 0; threshold <= 5; ++threshold) {
    LogCapture capture(threshold);
    QLOG_ERROR("e");
    QLOG_WARN("w");
    QLOG_INFO("i");
    QLOG_DEBUG("d");
    QLOG_TRACE("t");
    EXPECT_EQ(capture.lines().size(), static_cast<std::size_t>(threshold));
  }
}

TEST(Logger, SuppressedMessageIsNotBuilt) {
  LogCapture capture(logger::Logger::Info);
  int built = 0;
  auto message = [&] {
    ++built;
    return std::string("x");
  };
  QLOG_DEBUG(message());
  QLOG_INFO(message());
  EXPECT_EQ(built, 1);
}

TEST(Logger, CallersNewlineIsKept) {
  LogCapture capture;
  QLOG_INFO("two\n");
  ASSERT_EQ(capture.lines().size(), 1u);
  const std::string line = capture.lines()[0];
  EXPECT_EQ(line.substr(line.size() - 5), "two\n\n");
}

TEST(Logger, ThreadFieldDiffersBetweenThreads) {
  LogCapture capture;
  QLOG_INFO("main");
  std::thread([] { QLOG_INFO("other"); }).join();
  const std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  auto thread_of = [](const std::string& line) {
    const std::string::size_type open = line.find('(');
    return line.substr(open, line.find(')') - open);
  };
  EXPECT_NE(thread_of(lines[0]), thread_of(lines[1]));
}

TEST(Escape, ControlCharactersCannotForgeLines) {
  EXPECT_EQ(logger::escape("user"), "user");
  EXPECT_EQ(logger::escape("a\r\nb\tc\\d"), "a\\r\\nb\\tc\\\\d");
  EXPECT_EQ(logger::escape(std::string("\x01\x7f\xff", 3)), "\\x01\\x7f\\xff");
}

TEST(Escape, BoundedFormCutsLongText) {
  EXPECT_EQ(logger::escape("abc", 3), "abc");
  EXPECT_EQ(logger::escape("abcd", 3), "abc...");
  EXPECT_EQ(logger::escape("\n\nxyz", 2), "\\n\\n...");
}

}  // namespace
