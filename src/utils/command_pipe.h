// One system command run through the shell, its standard output read as a
// stream of lines: the agent's command pipe.
//
// The command runs as "/bin/sh -c <command line>" in a process group of its
// own, with standard input on /dev/null, the C locale and default signal
// handling. The whole run is bounded: when the deadline passes while output
// is awaited, the group is killed and read_line() throws "Command timed out:
// <command line>". The destructor closes the pipe and reaps the child; a
// command whose output was not read to the end is killed first. No child is
// ever left behind. Owned and used by one thread.
#ifndef QUOR2_UTILS_COMMAND_PIPE_H_
#define QUOR2_UTILS_COMMAND_PIPE_H_

#include <sys/types.h>

#include <chrono>
#include <string>

#include "utils/line_reader.h"

namespace utils {

class CommandPipe : public LineReader {
 public:
  // Starts the command; throws std::runtime_error naming it when it cannot.
  CommandPipe(const std::string& command_line, std::chrono::seconds timeout);
  ~CommandPipe() override;

 protected:
  std::size_t read_some(char* out, std::size_t size) override;

 private:
  using Clock = std::chrono::steady_clock;

  // Kills what is left of the process group and reaps the child.
  void finish(bool kill_now);

  const std::string command_line_;
  const Clock::time_point deadline_;
  pid_t pid_ = -1;
  int fd_ = -1;
};

}  // namespace utils

#endif  // QUOR2_UTILS_COMMAND_PIPE_H_
