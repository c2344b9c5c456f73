// The real agent serving SSH on a free loopback port for a black-box test,
// and the clients that talk to it. Threads may share a RunningAgent; an
// SshExchange or a RawConnection belongs to one.
#ifndef QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_
#define QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_

#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/ssh_client.h"
#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace testing_support {

struct AgentConfig {
  std::map<std::string, std::string> users{{"monitor", "secret"}}, firewall;
  std::string checks = "CPU", loglevel = "Debug";
  std::string agent_extra;                    // more [agent] lines, e.g. "timeout = 3\n"
  std::vector<std::string> key_types{"rsa"};  // host keys ssh-keygen makes
  std::string path;                           // the agent's PATH; empty: the test's
};

// Writes <folder>/quor.ini (0600; no port line for port 0) and the host
// keys; the file's path.
std::string write_config(const TempDir& folder, const AgentConfig& config, int port);

// Returns once the agent listens, or throws std::runtime_error.
class RunningAgent {
 public:
  explicit RunningAgent(const AgentConfig& config = AgentConfig());
  ~RunningAgent() { stop(); }

  int port() const { return port_; }
  pid_t pid() const { return process_->pid(); }
  std::string log() const { return process_->output(); }
  std::size_t log_count(const std::string& text) const;
  bool wait_for_log(const std::string& text) const { return process_->wait_for_output(text, 30); }
  std::string password_file(const std::string& password) const;  // its path
  int stop();  // SIGTERM and up to a minute for the exit status, -1 if none

 private:
  TempDir dir_;
  const int port_;
  std::unique_ptr<AgentProcess> process_;
  mutable int password_files_ = 0;
};

// A session as a monitoring server opens it (127.0.0.1, password, shell,
// greeting); throws std::runtime_error when a step fails.
class SshExchange {
 public:
  SshExchange(int port, const std::string& user, const std::string& password);

  const std::string& greeting() const { return greeting_; }
  // The answer to a record, empty after a minute without one.
  std::string request(const std::string& record) { return client_.request(record, 60000); }
  void send(const std::string& bytes) { client_.send(bytes); }
  bool wait_closed() { return client_.wait_closed(60000); }

 private:
  client::SshClient client_;
  std::string greeting_;
};

// A TCP client of 127.0.0.1:port that sends nothing.
struct RawConnection {
  explicit RawConnection(int port) : fd(loopback_socket(port)) {}
  ~RawConnection() { close(fd); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;
  const int fd;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_RUNNING_AGENT_H_
