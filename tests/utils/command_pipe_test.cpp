#include "utils/command_pipe.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

using utils::CommandPipe;

std::vector<std::string> read_all(CommandPipe& pipe) {
  std::vector<std::string> lines;
  std::string line;
  while (pipe.read_line(line, 255)) lines.push_back(line);
  return lines;
}

// Running, not a zombie that nobody has reaped yet.
bool process_alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const std::string::size_type close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

pid_t read_pid(const testing_support::TempDir& dir, const std::string& name) {
  for (int i = 0; i < 200; ++i) {
    const std::string text = dir.read(name);
    if (!text.empty() && text.back() == '\n') return std::stoi(text);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

TEST(CommandPipe, ReadsTheShellsOutput) {
  CommandPipe pipe("printf 'one\\ntwo\\n'; echo err >&2", std::chrono::seconds(5));
  EXPECT_EQ(read_all(pipe), (std::vector<std::string>{"one\n", "two\n"}));
}

TEST(CommandPipe, RunsInTheCLocaleWithStdinOnDevNull) {
  CommandPipe pipe("echo $LC_ALL; cat; echo end", std::chrono::seconds(5));
  EXPECT_EQ(read_all(pipe), (std::vector<std::string>{"C\n", "end\n"}));
}

TEST(CommandPipe, TimesOutAndKillsTheWholeGroup) {
  testing_support::TempDir dir;
  const std::string command = "sleep 30 & echo $! > " + dir.path() + "/child; echo started; sleep 30";
  CommandPipe pipe(command, std::chrono::seconds(1));
  std::string line;
  ASSERT_TRUE(pipe.read_line(line, 255));
  EXPECT_EQ(line, "started\n");
  const pid_t background = read_pid(dir, "child");
  ASSERT_GT(background, 0);
  try {
    pipe.read_line(line, 255);
    FAIL() << "expected a time-out";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "Command timed out: " + command);
  }
  // The background sleep was in the group; it is killed (its parent reaps it).
  for (int i = 0; i < 100 && process_alive(background); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(process_alive(background));
}

TEST(CommandPipe, AbandonedCommandIsKilledAndReaped) {
  testing_support::TempDir dir;
  {
    CommandPipe pipe("echo $$ > " + dir.path() + "/shell; echo x; sleep 30", std::chrono::seconds(30));
    std::string line;
    ASSERT_TRUE(pipe.read_line(line, 255));
  }
  // The destructor reaped the shell: it is no child of ours any more.
  const pid_t shell = read_pid(dir, "shell");
  ASSERT_GT(shell, 0);
  EXPECT_EQ(waitpid(shell, nullptr, WNOHANG), -1);
  EXPECT_FALSE(process_alive(shell));
}

TEST(CommandPipe, StragglersOfAFinishedCommandAreKilled) {
  testing_support::TempDir dir;
  {
    CommandPipe pipe("sleep 30 >/dev/null & echo $! > " + dir.path() + "/child", std::chrono::seconds(5));
    read_all(pipe);
  }
  const pid_t background = read_pid(dir, "child");
  ASSERT_GT(background, 0);
  for (int i = 0; i < 100 && process_alive(background); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(process_alive(background));
}

TEST(CommandPipe, MissingCommandGivesEmptyOutput) {
  CommandPipe pipe("/nonexistent/command 2>/dev/null", std::chrono::seconds(5));
  EXPECT_TRUE(read_all(pipe).empty());
}

}  // namespace
