// The SSH side of one accepted connection: the key exchange, one password
// attempt decided by the LoginGate, the session channel, an optional pty
// and the shell, each phase served by one message loop; then, once the
// client has ended its input, a clean end of the session. Owns the libssh
// session and its channel; used by the connection's session thread only.
// The main thread reaches the connection through its SessionSocket: once
// it shuts the socket down (a stop, the login grace time), the failures
// that follow are not logged as errors.
#ifndef QUOR2_WORKER_SSH_CONNECTION_H_
#define QUOR2_WORKER_SSH_CONNECTION_H_

#include <string>

#include "utils/ssh_handles.h"
#include "worker/login_gate.h"
#include "worker/session_socket.h"

class SshConnection {
 public:
  // Takes over `session`; `socket` and `gate` must outlive the object.
  SshConnection(ssh_session session, SessionSocket& socket, const LoginGate& gate,
                const std::string& client_ip);
  // Releases the socket, then frees the channel and disconnects.
  ~SshConnection();
  SshConnection(const SshConnection&) = delete;
  SshConnection& operator=(const SshConnection&) = delete;

  // Takes the connection from the key exchange to the shell; whether the
  // shell is open. Every way out but a refused password logs why.
  bool open_shell();

  // The shell channel once open_shell() succeeded.
  ssh_channel channel() const { return channel_.get(); }

  // The client ended its input or closed the channel: answers with exit
  // status 0, EOF and a close, and waits a moment for the client to close
  // its side, so that its SSH client ends without complaint.
  void finish();

 private:
  // What a phase's handler made of one message.
  enum class Step {
    next,        // answered; wait for the next message
    unexpected,  // to be refused with the default reply; wait for the next
    done,        // answered; the phase is complete
    refused,     // to be refused with the default reply; hang up
  };
  using Handler = Step (SshConnection::*)(ssh_message message);

  bool exchange_keys();
  // The message loop of every phase: hands each message to `handle` until
  // it says done (true) or refused, or the connection ends (false).
  bool run_phase(const std::string& phase, const std::string& phase_error, Handler handle);
  Step on_auth(ssh_message message);
  Step on_channel_open(ssh_message message);
  Step on_shell_request(ssh_message message);
  void log_phase_error(const std::string& phase_error) const;

  utils::SshSession session_;
  utils::SshChannel channel_;
  SessionSocket& socket_;
  const LoginGate& gate_;
  const std::string client_ip_;
};

#endif  // QUOR2_WORKER_SSH_CONNECTION_H_
