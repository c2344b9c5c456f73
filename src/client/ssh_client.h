// The SSH side of quor2-client: one connection to an agent, driven the way
// a monitoring server drives it (password login, session channel, optional
// pty, shell, one record per write). Owned and used by one thread.
//
// The agent's host key is not verified: the client is meant for hosts the
// administrator trusts the network path to, such as loopback.
#ifndef QUOR2_CLIENT_SSH_CLIENT_H_
#define QUOR2_CLIENT_SSH_CLIENT_H_

#include <string>

#include "utils/ssh_handles.h"

namespace client {

class SshClient {
 public:
  // Connects and completes the key exchange; throws std::runtime_error
  // with libssh's text when it cannot.
  SshClient(const std::string& host, int port);

  // One password attempt: false when the agent refuses it (the agent then
  // hangs up). Throws std::runtime_error when the connection fails.
  bool login(const std::string& user, const std::string& password);

  // Opens a session channel, requests a pty first when asked, then a shell.
  // Throws std::runtime_error naming the step the agent refused.
  void open_shell(bool with_pty = false);

  // Writes the bytes to the shell channel in one piece.
  void send(const std::string& bytes);

  // Waits up to `timeout_ms` for an answer and reads until it is complete
  // (or the time is up, or the channel closes). Empty when nothing came.
  std::string receive(int timeout_ms);

  // send() then receive().
  std::string request(const std::string& record, int timeout_ms);

  // Waits up to `timeout_ms` for the agent to close the channel; any data
  // that arrives meanwhile is appended to `received` when given.
  bool wait_closed(int timeout_ms, std::string* received = nullptr);

 private:
  utils::SshSession session_;
  utils::SshChannel channel_;
};

}  // namespace client

#endif  // QUOR2_CLIENT_SSH_CLIENT_H_
