#include "utils/command_pipe.h"

#include <gtest/gtest.h>

#include "support/hanging_programs.h"

namespace {

using utils::CommandPipe;

std::string read_all(CommandPipe& pipe) {
  std::string text;
  for (std::string line; pipe.read_line(line, 255);) text += line;
  return text;
}

TEST(CommandPipe, ReadsTheShellsOutputInTheCLocaleWithoutInput) {
  CommandPipe pipe("printf 'one\\ntwo\\n'; echo err >&2; echo $LC_ALL; cat; echo end",
                   std::chrono::seconds(5));
  EXPECT_EQ(read_all(pipe), "one\ntwo\nC\nend\n");
}

// Whichever way a command ends, none of its processes outlives it: cut off
// at its time bound, abandoned with output unread, or a shell that ends at
// once while its background child stays in the group.
TEST(CommandPipe, LeavesNoProcessBehind) {
  testing_support::HangingPrograms programs;
  for (const char* name : {"slow", "abandoned", "straggler"}) programs.add(name, "started\n");
  std::string line;
  {
    CommandPipe pipe("slow", std::chrono::seconds(1));
    EXPECT_THROW(read_all(pipe), std::runtime_error);
  }
  {
    CommandPipe pipe("abandoned", std::chrono::seconds(30));
    ASSERT_TRUE(pipe.read_line(line, 255));
  }
  {
    CommandPipe pipe("straggler >/dev/null & echo started", std::chrono::seconds(30));
    ASSERT_TRUE(pipe.read_line(line, 255));
    ASSERT_EQ(programs.pids_of("straggler").size(), 2u);
    EXPECT_EQ(read_all(pipe), "");
  }
  for (const char* name : {"slow", "abandoned", "straggler"})
    EXPECT_TRUE(programs.ended(name)) << name;
}

}  // namespace
