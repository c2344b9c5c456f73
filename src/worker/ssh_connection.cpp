#include "worker/ssh_connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>

#include "logger/logger.h"

namespace {

// How long a finished session waits for the client to close its side.
constexpr std::chrono::milliseconds hang_up_wait{2000};

// The message API gives one password attempt without callbacks; libssh
// marks its password accessor deprecated.
std::string message_password(ssh_message message) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const char* password = ssh_message_auth_password(message);
#pragma GCC diagnostic pop
  return password == nullptr ? "" : password;
}

std::string message_user(ssh_message message) {
  const char* user = ssh_message_auth_user(message);
  return user == nullptr ? "" : user;
}

}  // namespace

SshConnection::SshConnection(ssh_session session, SessionSocket& socket, const LoginGate& gate,
                             const std::string& client_ip)
    : session_(session), socket_(socket), gate_(gate), client_ip_(client_ip) {}

SshConnection::~SshConnection() { socket_.release(); }

bool SshConnection::open_shell() {
  // Every SSH message and record is a small write that must leave at once.
  // With Nagle's algorithm one that follows an unacknowledged write waits
  // for the client's delayed acknowledgement, some 40 ms.
  const int no_delay = 1;
  setsockopt(ssh_get_fd(session_.get()), IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof(no_delay));
  QLOG_TRACE("SSH key exchange");
  if (!exchange_keys()) {
    log_phase_error("ssh_handle_key_exchange error: ");
    return false;
  }
  return run_phase("SSH auth phase", "Auth phase error: ", &SshConnection::on_auth) &&
         run_phase("SSH session channel open phase", "SSH session channel open phase error: ",
                   &SshConnection::on_channel_open) &&
         run_phase("SSH shell and pty phase", "SSH shell and pty phase error: ",
                   &SshConnection::on_shell_request);
}

// The key exchange, with every acknowledgement sent at once. A client that
// leaves Nagle's algorithm on (libssh does by default) writes its KEXINIT
// and its key exchange init back to back: the second waits until the first
// is acknowledged, and Linux delays that acknowledgement by 40 ms once the
// agent has answered the banner quickly. Quick acknowledgement mode lasts
// until the next write, so it is set again before every wait.
//
// A freshly accepted socket takes the identification string without
// blocking. Told so, libssh writes it at once; otherwise it waits for its
// first poll, which reads the client's line before writing, and a line that
// is no SSH identification (an HTTP request, a port probe) closed the
// connection before the agent had sent anything.
bool SshConnection::exchange_keys() {
  ssh_session session = session_.get();
  const int fd = ssh_get_fd(session);
  ssh_set_fd_towrite(session);
  ssh_set_blocking(session, 0);
  int result;
  bool hung_up = false;
  while ((result = ssh_handle_key_exchange(session)) == SSH_AGAIN) {
    // libssh keeps answering "again" on a socket shut down before its
    // identification string went out (a stop, a peer gone at once).
    if (hung_up) {
      result = SSH_ERROR;
      break;
    }
#ifdef TCP_QUICKACK
    const int quick_ack = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &quick_ack, sizeof(quick_ack));
#endif
    // The pause bounds the wait should libssh hold output it could not send.
    pollfd readable{fd, POLLIN, 0};
    hung_up = poll(&readable, 1, 100) > 0 && (readable.revents & (POLLHUP | POLLNVAL)) != 0;
  }
  ssh_set_blocking(session, 1);
  return result == SSH_OK;
}

bool SshConnection::run_phase(const std::string& phase, const std::string& phase_error,
                              Handler handle) {
  QLOG_TRACE(phase);
  for (;;) {
    const utils::SshMessage message(ssh_message_get(session_.get()));
    if (!message) {
      log_phase_error(phase_error);
      return false;
    }
    const Step step = (this->*handle)(message.get());
    if (step == Step::unexpected || step == Step::refused) {
      ssh_message_reply_default(message.get());
    }
    if (step == Step::done) return true;
    if (step == Step::refused) return false;
  }
}

SshConnection::Step SshConnection::on_auth(ssh_message message) {
  if (ssh_message_type(message) != SSH_REQUEST_AUTH) {
    QLOG_TRACE("Not SSH_REQUEST_AUTH message type. Unexpected.");
    return Step::unexpected;
  }
  QLOG_TRACE("Auth requested");
  if (ssh_message_subtype(message) != SSH_AUTH_METHOD_PASSWORD) {
    QLOG_TRACE("Other method. Not supported.");
    ssh_message_auth_set_methods(message, SSH_AUTH_METHOD_PASSWORD);
    return Step::unexpected;
  }
  QLOG_TRACE("Password method.");
  // One attempt per connection: a refused one hangs up.
  if (!gate_.admit(message_user(message), message_password(message), client_ip_)) {
    return Step::refused;
  }
  ssh_message_auth_reply_success(message, 0);
  return Step::done;
}

SshConnection::Step SshConnection::on_channel_open(ssh_message message) {
  if (ssh_message_type(message) == SSH_REQUEST_CHANNEL_OPEN) {
    QLOG_TRACE("Channel open requested.");
    if (ssh_message_subtype(message) == SSH_CHANNEL_SESSION) {
      QLOG_TRACE("Session channel requested.");
      channel_.reset(ssh_message_channel_request_open_reply_accept(message));
      return channel_ ? Step::done : Step::next;
    }
  }
  QLOG_TRACE(
      "Not SSH_REQUEST_CHANNEL_OPEN message type or not SSH_CHANNEL_SESSION subtype. "
      "Unexpected.");
  return Step::unexpected;
}

SshConnection::Step SshConnection::on_shell_request(ssh_message message) {
  if (ssh_message_type(message) == SSH_REQUEST_CHANNEL) {
    QLOG_TRACE("SSH channel requested.");
    const int subtype = ssh_message_subtype(message);
    if (subtype == SSH_CHANNEL_REQUEST_SHELL) {
      QLOG_TRACE("SSH shell requested");
      ssh_message_channel_request_reply_success(message);
      return Step::done;
    }
    if (subtype == SSH_CHANNEL_REQUEST_PTY) {
      QLOG_TRACE("SSH pty requested");
      ssh_message_channel_request_reply_success(message);
      return Step::next;
    }
  }
  QLOG_TRACE(
      "Not SSH_REQUEST_CHANNEL message type or not SSH_CHANNEL_REQUEST_SHELL or "
      "SSH_CHANNEL_REQUEST_PTY subtype. Unexpected.");
  return Step::unexpected;
}

// A phase that fails because the agent shut the connection down (a stop,
// the login grace time) is no error: the line that says why is elsewhere.
void SshConnection::log_phase_error(const std::string& phase_error) const {
  if (!socket_.ended_from_outside()) {
    QLOG_ERROR(phase_error + ssh_get_error(session_.get()));
  }
}

// A disconnect that reaches the client before its own close makes
// OpenSSH's ssh print "Connection ... closed by remote host" and PuTTY a
// fatal error, though the session ended well. What the client still sends
// meanwhile (its channel close) is of no more use and is read past.
void SshConnection::finish() {
  // A client that sent its disconnect is gone: libssh has closed the socket.
  if (socket_.ended_from_outside() || !ssh_is_connected(session_.get())) return;
  ssh_channel channel = channel_.get();
  ssh_channel_request_send_exit_status(channel, 0);
  ssh_channel_send_eof(channel);
  ssh_channel_close(channel);
  const int fd = ssh_get_fd(session_.get());
  if (fd < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + hang_up_wait;
  char discarded[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd readable{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) return;
    if (recv(fd, discarded, sizeof(discarded), 0) <= 0) return;
  }
}
