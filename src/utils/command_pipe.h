// One system command run without a shell, its standard output read as a
// stream of lines: the agent's command pipe.
//
// The program is looked up on the PATH and started with its arguments as
// they are, so no text of a request or of the host is ever parsed by a
// shell. It runs in a process group of its own, with standard input on
// /dev/null, the C locale and default signal handling; the first line of
// its standard error is kept for the error text. The run is bounded by a
// RunLimit: when the deadline passes, or the client's connection ends,
// while the command is awaited, the group is killed and reading throws
// ("Command timed out: <command line>", "Connection closed"). A program
// that cannot be started gives no output and a kNotStarted status. The
// destructor kills what is left and reaps the child; no process of the
// group outlives the object. Owned and used by one thread.
#ifndef QUOR2_UTILS_COMMAND_PIPE_H_
#define QUOR2_UTILS_COMMAND_PIPE_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "utils/command_output.h"
#include "utils/run_limit.h"

namespace utils {

class CommandPipe : public CommandOutput {
 public:
  // Starts argv[0] with `argv`; throws std::runtime_error when the pipes or
  // the process cannot be made for want of resources.
  CommandPipe(const std::vector<std::string>& argv, const RunLimit& limit);
  ~CommandPipe() override;

  CommandStatus finish() override;
  void close_output() override;

  // The command line as the log and the error texts show it.
  static std::string command_line(const std::vector<std::string>& argv);

 protected:
  std::size_t read_some(char* out, std::size_t size) override;

 private:
  // Waits up to `timeout_ms` for output; reads standard error as it comes.
  // Whether standard output can be read now. Throws at the limit.
  bool await_output(int timeout_ms);
  void read_error_stream();
  [[noreturn]] void fail(const std::string& message);
  // Kills what is left of the process group and reaps the child.
  void kill_and_reap();

  const std::string command_line_;
  const RunLimit limit_;
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  CommandStatus status_;
  bool error_line_done_ = false;
};

}  // namespace utils

#endif  // QUOR2_UTILS_COMMAND_PIPE_H_
