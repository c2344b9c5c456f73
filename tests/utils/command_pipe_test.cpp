#include "utils/command_pipe.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/hanging_programs.h"

namespace {

using utils::CommandPipe;

utils::RunLimit seconds_from_now(int seconds, int connection_fd = -1) {
  return utils::RunLimit(utils::RunLimit::Clock::now() + std::chrono::seconds(seconds),
                         connection_fd);
}

std::string read_all(CommandPipe& pipe) {
  std::string text;
  for (std::string line; pipe.read_line(line, 255);) text += line;
  return text;
}

// No shell between the agent and the program: arguments arrive as they are.
TEST(CommandPipe, OutputStatusAndFirstErrorLine) {
  const struct {
    std::vector<std::string> argv;
    std::string output, failure;
  } rows[] = {
      {{"sh", "-c", "printf 'one\\ntwo\\n'; echo err >&2; echo $LC_ALL; cat; echo end"},
       "one\ntwo\nC\nend\n", ""},
      {{"printf", "%s|", "$(id)", "a b", "`x`;"}, "$(id)|a b|`x`;|", ""},
      {{"sh", "-c", "echo out; printf '\\nfirst\\r\\nsecond\\n' >&2; exit 3"}, "out\n",
       "p failed with exit status 3: first"},
      {{"no-such-program-here"}, "", "p: not found"},
      {{"sh", "-c", "kill -9 $$"}, "", "p killed by signal 9"},
  };
  for (const auto& row : rows) {
    CommandPipe pipe(row.argv, seconds_from_now(10));
    EXPECT_EQ(read_all(pipe), row.output) << row.argv.back();
    EXPECT_EQ(pipe.finish().describe("p"), row.failure) << row.argv.back();
  }
}

// Whichever way a command ends, none of its processes outlives it: cut off
// at its time bound, abandoned with output unread, a program that ends at
// once while its background child stays in the group, or a run whose
// client has gone; also where SIGCHLD is ignored, as some daemons do.
TEST(CommandPipe, LeavesNoProcessBehind) {
  for (const auto disposition : {SIG_DFL, SIG_IGN}) {
    const auto previous = signal(SIGCHLD, disposition);
    testing_support::HangingPrograms programs;
    for (const char* name : {"slow", "abandoned", "straggler", "orphaned"}) {
      programs.add(name, "started\n");
    }
    std::string line;
    {
      CommandPipe pipe({"slow"}, seconds_from_now(1));
      EXPECT_THROW(read_all(pipe), std::runtime_error);
    }
    {
      CommandPipe pipe({"abandoned"}, seconds_from_now(30));
      ASSERT_TRUE(pipe.read_line(line, 255));
    }
    {
      CommandPipe pipe({"sh", "-c", "straggler >/dev/null 2>&1 & echo started"},
                       seconds_from_now(30));
      ASSERT_TRUE(pipe.read_line(line, 255));
      ASSERT_EQ(programs.pids_of("straggler").size(), 2u);
      EXPECT_EQ(read_all(pipe), "");
      pipe.finish();
    }
    {
      int client[2];
      ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, client), 0);
      CommandPipe pipe({"orphaned"}, seconds_from_now(30, client[0]));
      ASSERT_TRUE(pipe.read_line(line, 255));
      close(client[1]);
      try {
        read_all(pipe);
        ADD_FAILURE() << "read on after the client had gone";
      } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Connection closed");
      }
      close(client[0]);
    }
    for (const char* name : {"slow", "abandoned", "straggler", "orphaned"})
      EXPECT_TRUE(programs.ended(name)) << name;
    signal(SIGCHLD, previous);
  }
}

}  // namespace
