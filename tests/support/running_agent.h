// The real agent, build/quor2, serving SSH on a free loopback port for a
// black-box test; the base of every test that talks to it over SSH.
//
//   testing_support::AgentConfig config;
//   config.checks = "CPU, RAM";
//   testing_support::RunningAgent agent(config);
//   testing_support::SshExchange session(agent.port(), "monitor", "secret");
//
// The constructor writes a configuration with a fresh RSA host key into a
// temporary folder, starts the agent on it and returns once the port
// listens (it throws std::runtime_error when the agent does not come up).
// The destructor stops the agent with SIGTERM (SIGKILL after a grace time)
// and removes the folder. Test threads may share one; only its owner stops it.
#ifndef QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_
#define QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace testing_support {

struct AgentConfig {
  // The [password] section: user to password.
  std::map<std::string, std::string> users{{"monitor", "secret"}};
  // The [firewall] section: user to "first - last".
  std::map<std::string, std::string> firewall;
  std::string checks = "CPU";
  // Debug lets tests wait for the agent's steps.
  std::string loglevel = "Debug";
  // More lines for the [agent] section, e.g. "timeout = 3\n".
  std::string agent_extra;
  // Put before the agent on its command line, a program with its full path
  // and its arguments, e.g. {"/usr/bin/prlimit", "--nofile=64"}.
  std::vector<std::string> launcher;
  // Runs with the folder before the agent starts, e.g. to add key files.
  std::function<void(const std::string& folder)> prepare;
};

class RunningAgent {
 public:
  explicit RunningAgent(const AgentConfig& config = AgentConfig());
  ~RunningAgent();
  RunningAgent(const RunningAgent&) = delete;
  RunningAgent& operator=(const RunningAgent&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return process_->pid(); }
  // The folder with the configuration, the host key and the log.
  const std::string& folder() const { return dir_.path(); }

  // Everything the agent logged so far.
  std::string log() const { return process_->output(); }
  // How often `text` occurs in the log so far.
  std::size_t log_count(const std::string& text) const;
  // Waits up to 30 s until the log contains `text`.
  bool wait_for_log(const std::string& text) const { return process_->wait_for_output(text, 30); }

  // Writes the password into a file of the folder (for --password-file and
  // sshpass -f) and returns its path.
  std::string password_file(const std::string& password) const;

  // Sends SIGTERM and waits up to a minute; the exit status, -1 when the
  // agent is still running.
  int stop();

 private:
  TempDir dir_;
  int port_ = 0;
  std::unique_ptr<AgentProcess> process_;
  bool stopped_ = false;
  mutable int password_files_ = 0;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_
