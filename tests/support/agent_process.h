// A program a test starts without a shell (the agent, ssh, the client), its
// standard streams on files. The destructor kills and reaps it, and fails
// the test when its standard error holds a sanitizer report.
#ifndef QUOR2_TESTS_SUPPORT_AGENT_PROCESS_H_
#define QUOR2_TESTS_SUPPORT_AGENT_PROCESS_H_

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class AgentProcess {
 public:
  // Starts `binary` (looked up on the PATH without a slash) with `args`.
  AgentProcess(const std::vector<std::string>& args, const std::string& stderr_path,
               const std::string& binary = QUOR2_BINARY,
               const std::string& stdout_path = "/dev/null",
               const std::string& stdin_path = "/dev/null");
  ~AgentProcess();
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int sig) const;
  // Waits up to `seconds` for the exit; returns its status (as the shell
  // shows it: 0..255, 128+signal), or -1 when it is still running.
  int wait(double seconds);
  // Waits up to `seconds` until standard error contains `text`.
  bool wait_for_output(const std::string& text, double seconds) const;
  std::string output() const;

 private:
  pid_t pid_ = -1;
  std::string stderr_path_;
};

struct ProgramResult {
  int status = -1;  // as wait() gives it; -1 after a minute (then killed)
  std::string out, err;
};

// Runs argv[0] with `input` as its standard input, to its end.
ProgramResult run_program(const std::vector<std::string>& argv, const std::string& input = "");

// A TCP socket connected to 127.0.0.1:port, or for port 0 bound to a free
// one; -1 when the connect fails. The caller closes it.
int loopback_socket(int port);

// A TCP port on loopback that nothing listens on right now.
int free_port();

// Polls `done` until it holds, for up to `seconds`; whether it held.
bool wait_until(double seconds, const std::function<bool()>& done);

// Waits up to `seconds` until a TCP connect to 127.0.0.1:port succeeds.
bool wait_for_port(int port, double seconds);

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_AGENT_PROCESS_H_
