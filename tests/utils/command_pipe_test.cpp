#include "utils/command_pipe.h"

#include <gtest/gtest.h>

#include "support/hanging_programs.h"

namespace {

using utils::CommandPipe;

std::vector<std::string> read_all(CommandPipe& pipe) {
  std::vector<std::string> lines;
  for (std::string line; pipe.read_line(line, 255);) lines.push_back(line);
  return lines;
}

TEST(CommandPipe, ReadsTheShellsOutputInTheCLocaleWithoutInput) {
  CommandPipe pipe("printf 'one\\ntwo\\n'; echo err >&2; echo $LC_ALL; cat; echo end",
                   std::chrono::seconds(5));
  EXPECT_EQ(read_all(pipe), (std::vector<std::string>{"one\n", "two\n", "C\n", "end\n"}));
}

// Whichever way a command ends, none of its processes outlives it.
TEST(CommandPipe, LeavesNoProcessBehind) {
  testing_support::HangingPrograms programs;
  programs.add("slow", "started\n");
  programs.add("abandoned", "started\n");
  programs.add("straggler", "");
  std::string line;
  {
    CommandPipe pipe("slow", std::chrono::seconds(1));
    ASSERT_TRUE(pipe.read_line(line, 255));
    try {
      pipe.read_line(line, 255);
      FAIL() << "expected a time-out";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "Command timed out: slow");
    }
  }
  {
    CommandPipe pipe("abandoned", std::chrono::seconds(30));
    ASSERT_TRUE(pipe.read_line(line, 255));
  }
  {
    // The shell ends at once; its background child stays in the group.
    CommandPipe pipe("straggler >/dev/null & echo started", std::chrono::seconds(30));
    ASSERT_TRUE(pipe.read_line(line, 255));
    ASSERT_EQ(programs.pids_of("straggler").size(), 2u);
    EXPECT_TRUE(read_all(pipe).empty());
  }
  for (const char* name : {"slow", "abandoned", "straggler"}) {
    EXPECT_TRUE(programs.ended(name)) << name;
  }
}

}  // namespace
