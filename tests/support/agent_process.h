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
  // `binary` without a slash is looked up on the PATH.
  AgentProcess(const std::vector<std::string>& args, const std::string& stderr_path,
               const std::string& binary = QUOR2_BINARY,
               const std::string& stdout_path = "/dev/null",
               const std::string& stdin_path = "/dev/null");
  ~AgentProcess();
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int sig) const;
  // Up to `seconds` for the exit: its status as a shell shows it, -1 if none.
  int wait(double seconds);
  // Standard error so far, and a wait of up to `seconds` for `text` in it.
  std::string output() const;
  bool wait_for_output(const std::string& text, double seconds) const;

 private:
  pid_t pid_ = -1;
  std::string stderr_path_;
};

// Runs argv[0] on `input`; status -1 (killed) when it outlasts a minute.
struct ProgramResult {
  int status;
  std::string out, err;
};
ProgramResult run_program(const std::vector<std::string>& argv, const std::string& input = "");

// A TCP socket the caller closes: connected to 127.0.0.1:port (-1 when that
// fails), or for port 0 bound to a free one.
int loopback_socket(int port);
int free_port();  // a loopback TCP port nothing listens on now
// Polls `done` for up to `seconds`; whether it held.
bool wait_until(double seconds, const std::function<bool()>& done);

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_AGENT_PROCESS_H_
