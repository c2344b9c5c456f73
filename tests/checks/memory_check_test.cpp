#include "checks/memory_check.h"

#include <gtest/gtest.h>

#include <fstream>

#include "checks/ram_check.h"
#include "checks/swap_check.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/text_line_reader.h"

namespace {

using checks::MemoryCheck;
using testing_support::read_fixture;
using testing_support::TextLineReader;

// Tells whether the parser read the output to its end.
class ProbedReader : public TextLineReader {
 public:
  using TextLineReader::TextLineReader;
  using utils::LineReader::at_end;
};

std::pair<int, int> parse(const std::string& text) {
  TextLineReader output(text);
  return MemoryCheck::parse_top(output);
}

TEST(ParseTop, Layouts) {
  const struct {
    std::string output;
    int ram;
    int swap;
  } table[] = {
      {read_fixture("top/procps-3.2.txt"), 5, 75},
      {read_fixture("top/procps-ng-3.3.txt"), 77, 74},     // old positions would say 26% swap
      {read_fixture("top/procps-ng-3.3.9.txt"), 3, 74},    // "KiB Mem:": by labels too
      {read_fixture("top/procps-ng-4.txt"), 96, 100},      // this host: no swap at all
      {read_fixture("top/procps-ng-4-gib.txt"), 24, 100},  // 7.8 of 31.25
      {read_fixture("top/memory-4.txt"), 50, 25},
      {read_fixture("top/memory-5.txt"), 50, 50},
      {read_fixture("top/memory-real.txt"), 92, 100},
      {read_fixture("top/memory-real-short.txt"), 50, 25},  // not read as "Memory:" of 4
      {read_fixture("top/no-swap-line.txt"), 96, 0},
      {"Mem: 1000k total, 970k used, 30k free, 5k buffers\nSwap: 2048M 1536M\n", 3, 75},
      {"Mem: 120 30 40 0 10 200\nSwap: 200 0 200 1\n", 58, 100},
      {"Swap: 782.7M\nMem: 0 0 0 0\n", 100, 1},  // 782 and 7
      {"Mem: 1 2 3\nMem: 1 2 3 4 5 6 7\nSwap: 0 0\n", 0, 100},
      {"MiB Mem :  0.0 total,  0.0 free\nKiB Swap: 10 total, 25 free, 0 used.\n", 100, 250},
      {"KiB Swap: 10 used\nMem: 10 1 9 0\n", 90, 0},  // unlabelled: no procps-ng reading
      {"", 0, 0},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.output);
    EXPECT_EQ(parse(c.output), (std::pair<int, int>{c.ram, c.swap}));
  }
}

TEST(ParseTop, StopsWhenBothAreKnownAndReadsToTheEnd) {
  ProbedReader output(read_fixture("top/procps-ng-4.txt") + "\n  PID USER\n");
  EXPECT_EQ(MemoryCheck::parse_top(output), (std::pair<int, int>{96, 100}));
  EXPECT_TRUE(output.at_end());
}

TEST(ParseTop, LineWithoutDigitsWhileAFigureIsUnknownThrows) {
  for (const char* fixture : {"top/blank-before-swap.txt", "top/labelled-blank-before-swap.txt"}) {
    SCOPED_TRACE(fixture);
    EXPECT_THROW(parse(read_fixture(fixture)), std::invalid_argument);
  }
  EXPECT_THROW(parse("Mem: 99999999999999999999 1 2 3\n"), std::out_of_range);
  EXPECT_THROW(parse("Mem: 9000000000000000000 9000000000000000000 1 1\n"), std::out_of_range);
  EXPECT_THROW(parse("MiB Mem : 92233720368547758.08 total, 1.0 free\n"), std::out_of_range);
}

TEST(ParseTop, UnknownLayoutsAreLoggedWithTheirLine) {
  testing_support::LogCapture capture(logger::Logger::Debug);
  parse("Mem: 1 2 3\nMemory: Real: 1 2 3 4\nMem: 100 50 50 0\nSwap: 0 0\n");
  EXPECT_EQ(
      capture.messages(),
      (std::vector<std::string>{"Warn: Unknown MEM format", "Debug: \tdata string was : Mem: 1 2 3",
                                "Warn: Unknown MEMORY format",
                                "Debug: \tdata string was : Memory: Real: 1 2 3 4"}));
}

// Against the kernel's own figures: top reads MemFree and MemTotal.
TEST(MemoryCheck, LiveFiguresAgreeWithProcMeminfo) {
  std::ifstream meminfo("/proc/meminfo");
  std::map<std::string, long> kib;
  for (std::string key; meminfo >> key;) meminfo >> kib[key], meminfo.ignore(64, '\n');
  ASSERT_GT(kib["MemTotal:"], 0);
  const int expected = static_cast<int>(kib["MemFree:"] * 100 / kib["MemTotal:"]);

  checks::RamCheck check(false, utils::Env::standard());
  const std::pair<int, int> usage = check.get_memory_usage();
  EXPECT_NEAR(usage.first, expected, 5);
  if (kib["SwapTotal:"] == 0) {
    EXPECT_EQ(usage.second, 100);
  } else {
    EXPECT_NEAR(usage.second, kib["SwapFree:"] * 100 / kib["SwapTotal:"], 5);
  }
  // Both checks give a verdict on this host.
  for (const auto& result :
       {check.execute({{"Free RAM Limit [%]", "0"}}),
        checks::SwapCheck(false, utils::Env::standard()).execute({{"Free Swap Limit [%]", "0"}})}) {
    EXPECT_TRUE(result.executed) << result.error_message;
  }
}

}  // namespace
