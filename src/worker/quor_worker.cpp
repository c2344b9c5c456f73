#include "worker/quor_worker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/chrono.hpp>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "logger/logger.h"
#include "utils/address.h"
#include "utils/params.h"
#include "utils/password.h"
#include "utils/text.h"
#include "utils/version.h"
#include "worker/host_key.h"

namespace {

// One data chunk per read; the buffer keeps a terminating zero after it.
constexpr int read_chunk_size = 2048;

// A stop waits this much longer than a check may run.
constexpr int session_stop_margin_seconds = 5;

const std::string hidden_password = "********";

// Blocks SIGINT and SIGTERM on the calling thread while it lives, so that
// the threads started meanwhile inherit the mask: the stop signals then
// land on the main thread and never interrupt a libssh call elsewhere.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked() {
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, &previous_);
  }
  ~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

std::string session_error(ssh_session session) { return ssh_get_error(session); }

// A phase that fails because the agent shut the connection down (a stop,
// the login grace time) is no error: the line that says why is elsewhere.
void log_phase_error(const SessionSocket& socket, ssh_session session, const std::string& phase) {
  if (!socket.ended_from_outside()) QLOG_ERROR(phase + session_error(session));
}

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

// Loads the host key of `file` into the bind, which owns it from then on.
// A key that cannot serve, or that this libssh build does not serve (DSA
// on Debian), is left out with a Warn line naming the file; an optional
// file that is missing is left out without a word.
bool load_host_key(ssh_bind bind, const HostKeyFile& file) {
  std::string reason;
  utils::SshKey key = import_host_key(file, reason);
  if (key) {
    if (ssh_bind_options_set(bind, SSH_BIND_OPTIONS_IMPORT_KEY, key.get()) == SSH_OK) {
      key.release();
      return true;
    }
    reason = ssh_get_error(bind);
  }
  if (!reason.empty()) {
    QLOG_WARN("Can not load " + file.name + " host key " + file.path + ": " + reason);
  }
  return false;
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
bool exchange_keys(ssh_session session) {
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

// Phase 2: the client opens a session channel. Null when the connection
// ends first.
utils::SshChannel open_session_channel(ssh_session session, const SessionSocket& socket) {
  QLOG_TRACE("SSH session channel open phase");
  for (;;) {
    const utils::SshMessage message(ssh_message_get(session));
    if (!message) {
      log_phase_error(socket, session, "SSH session channel open phase error: ");
      return nullptr;
    }
    if (ssh_message_type(message.get()) == SSH_REQUEST_CHANNEL_OPEN) {
      QLOG_TRACE("Channel open requested.");
      if (ssh_message_subtype(message.get()) == SSH_CHANNEL_SESSION) {
        QLOG_TRACE("Session channel requested.");
        utils::SshChannel channel(ssh_message_channel_request_open_reply_accept(message.get()));
        if (channel) return channel;
        continue;
      }
    }
    QLOG_TRACE(
        "Not SSH_REQUEST_CHANNEL_OPEN message type or not SSH_CHANNEL_SESSION subtype. "
        "Unexpected.");
    ssh_message_reply_default(message.get());
  }
}

// Phase 3: a pty may come first; the shell request is required. False when
// the connection ends first.
bool await_shell(ssh_session session, const SessionSocket& socket) {
  QLOG_TRACE("SSH shell and pty phase");
  for (;;) {
    const utils::SshMessage message(ssh_message_get(session));
    if (!message) {
      log_phase_error(socket, session, "SSH shell and pty phase error: ");
      return false;
    }
    if (ssh_message_type(message.get()) == SSH_REQUEST_CHANNEL) {
      QLOG_TRACE("SSH channel requested.");
      const int subtype = ssh_message_subtype(message.get());
      if (subtype == SSH_CHANNEL_REQUEST_SHELL) {
        QLOG_TRACE("SSH shell requested");
        ssh_message_channel_request_reply_success(message.get());
        return true;
      }
      if (subtype == SSH_CHANNEL_REQUEST_PTY) {
        QLOG_TRACE("SSH pty requested");
        ssh_message_channel_request_reply_success(message.get());
        continue;
      }
    }
    QLOG_TRACE(
        "Not SSH_REQUEST_CHANNEL message type or not SSH_CHANNEL_REQUEST_SHELL or "
        "SSH_CHANNEL_REQUEST_PTY subtype. Unexpected.");
    ssh_message_reply_default(message.get());
  }
}

}  // namespace

QuorWorker::QuorWorker(Settings& settings)
    : commands_factory(settings),
      max_auth_failures(settings.maxAuthFailures),
      auth_penalty_seconds(settings.authPenalty),
      login_penalties(settings.maxAuthFailures, std::chrono::seconds(settings.authPenalty)) {
  QLOG_TRACE(" > QuorWorker::QuorWorker");
  port = settings.port;
  listen_addresses = settings.listen;
  host_keys = host_key_files(settings);
  users = settings.users;
  firewall = settings.firewall;
  session_stop_seconds = settings.timeout + session_stop_margin_seconds;
  max_sessions = settings.maxSessions;
  login_grace_seconds = settings.loginGraceTime;
  QLOG_TRACE(" < QuorWorker::QuorWorker");
}

QuorWorker::~QuorWorker() {
  end_sessions();
  for (SessionThread& session : session_threads) session.thread->detach();
}

void QuorWorker::do_work() {
  QLOG_TRACE(" > QuorWorker::do_work");
  QLOG_DEBUG("Main thread started.");
  QLOG_INFO(std::string(utils::banner) + " started.");
  QLOG_TRACE("Setting up ssh_bind.");
  utils::SshBind bind(ssh_bind_new());
  if (!bind) {
    QLOG_ERROR("ssh_bind_listen failed: ssh_bind_new failed");
    return;
  }
  bool any_key = false;
  for (const HostKeyFile& file : host_keys) any_key = load_host_key(bind.get(), file) || any_key;
  if (!any_key) {
    QLOG_ERROR("ssh_bind_listen failed: ECDSA, ED25519, DSA, or RSA host key file must be set");
    return;
  }
  QLOG_TRACE("Start listening.");
  Listener listener(listen_addresses, port);
  if (!listener.listening()) return;

  std::unique_ptr<boost::thread> listen_thread;
  try {
    const StopSignalsBlocked blocked;
    ssh_bind keys = bind.get();
    listen_thread = std::make_unique<boost::thread>(
        [this, &listener, keys] { listen_thread_func(listener, keys); });
  } catch (const std::exception& error) {
    QLOG_ERROR(std::string("Can not start the listen thread: ") + error.what());
    return;
  }

  while (stop_requested == 0) {
    usleep(200000);
    reap_sessions();
    end_late_logins();
  }

  QLOG_TRACE("Shutting down listening socket.");
  listener.stop();
  listen_thread->join();
  bind.reset();
  end_sessions();
  QLOG_DEBUG("Main thread exit.");
  QLOG_TRACE(" < QuorWorker::do_work");
}

void QuorWorker::listen_thread_func(Listener& listener, ssh_bind bind) {
  pthread_setname_np(pthread_self(), "quor2-listen");
  QLOG_TRACE(" > QuorWorker::listen_thread_func");
  QLOG_DEBUG("Listen thread started.");
  // A failed accept (no descriptor left, a connection gone before it was
  // taken) must not leave the agent deaf: log the first failure of a run
  // and try again after a pause.
  bool failing = false;
  while (stop_requested == 0) {
    QLOG_TRACE("Accepting new connection");
    std::string error;
    const int fd = listener.accept(error);
    if (fd >= 0) {
      failing = false;
      accept_connection(fd, bind);
      continue;
    }
    if (stop_requested != 0) break;
    if (!failing) QLOG_ERROR("ssh_bind_accept error: " + error);
    failing = true;
    usleep(200000);
  }
  QLOG_DEBUG("Listen thread exit.");
  QLOG_TRACE(" < QuorWorker::listen_thread_func");
}

void QuorWorker::accept_connection(int fd, ssh_bind bind) {
  const std::string client_ip = utils::get_peer_ip(fd);
  // Closed before any byte is sent, and without a log line: a client that
  // keeps guessing must not fill the log either.
  if (login_penalties.blocked(client_ip)) {
    close(fd);
    return;
  }
  utils::SshSession session(ssh_new());
  if (!session || ssh_bind_accept_fd(bind, session.get(), fd) != SSH_OK) {
    if (!session || ssh_get_fd(session.get()) != fd) close(fd);
    QLOG_ERROR(std::string("ssh_bind_accept error: ") + ssh_get_error(bind));
    if (session) ssh_free(session.release());
    return;
  }
  start_session(std::move(session), client_ip);
}

void QuorWorker::start_session(utils::SshSession session, const std::string& client_ip) {
  const int fd = ssh_get_fd(session.get());
  if (open_sessions >= max_sessions) {
    QLOG_WARN("Connection from " + client_ip + " refused: the limit of " +
              std::to_string(max_sessions) + " sessions is reached (agent.maxSessions)");
    // No byte has been sent yet: close without a word.
    ssh_free(session.release());
    return;
  }
  // Every SSH message and record is a small write that must leave at once.
  // With Nagle's algorithm one that follows an unacknowledged write waits
  // for the client's delayed acknowledgement, some 40 ms.
  const int no_delay = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof(no_delay));
  try {
    const auto socket = std::make_shared<SessionSocket>(fd);
    ssh_session connection = session.get();
    ++open_sessions;
    std::unique_ptr<boost::thread> thread;
    try {
      thread = std::make_unique<boost::thread>(
          [this, connection, socket, client_ip] { thread_func(connection, socket, client_ip); });
    } catch (...) {
      --open_sessions;
      throw;
    }
    session.release();  // the thread owns it now
    std::lock_guard<std::mutex> lock(session_threads_mutex);
    session_threads.push_back(
        {std::move(thread), socket, std::chrono::steady_clock::now(), client_ip});
  } catch (const std::exception& error) {
    QLOG_ERROR(std::string("Can not start a session thread: ") + error.what());
  }
}

void QuorWorker::thread_func(ssh_session session, std::shared_ptr<SessionSocket> socket,
                             const std::string& client_ip) {
  pthread_setname_np(pthread_self(), "quor2-session");
  std::unique_ptr<commands::CommandBase> command;
  QLOG_TRACE(" > QuorWorker::thread_func");
  QLOG_DEBUG("Data exchange thread started.");
  {
    const utils::SshSession owned(session);
    try {
      serve(session, *socket, client_ip, command);
    } catch (const std::exception& error) {
      QLOG_ERROR(std::string("Session closed after an exception: ") + error.what());
    } catch (...) {
      QLOG_ERROR("Session closed after an unexpected exception");
    }
    socket->release();
  }
  --open_sessions;
  QLOG_DEBUG("Data exchange thread exit.");
  QLOG_TRACE(" < QuorWorker::thread_func");
}

void QuorWorker::serve(ssh_session session, SessionSocket& socket, const std::string& client_ip,
                       std::unique_ptr<commands::CommandBase>& command) const {
  QLOG_INFO("Connection from " + client_ip);
  QLOG_TRACE("SSH key exchange");
  if (!exchange_keys(session)) {
    log_phase_error(socket, session, "ssh_handle_key_exchange error: ");
    return;
  }
  if (!authenticate_client(session, socket, client_ip)) return;
  const utils::SshChannel channel = open_session_channel(session, socket);
  if (!channel || !await_shell(session, socket)) return;
  // The login grace time may have ended the connection just now.
  if (!socket.mark_logged_in()) return;
  exchange(channel.get(), command);
}

bool QuorWorker::authenticate_client(ssh_session session, const SessionSocket& socket,
                                     const std::string& client_ip) const {
  QLOG_TRACE("SSH auth phase");
  for (;;) {
    const utils::SshMessage message(ssh_message_get(session));
    if (!message) {
      log_phase_error(socket, session, "Auth phase error: ");
      return false;
    }
    if (ssh_message_type(message.get()) != SSH_REQUEST_AUTH) {
      QLOG_TRACE("Not SSH_REQUEST_AUTH message type. Unexpected.");
      ssh_message_reply_default(message.get());
      continue;
    }
    QLOG_TRACE("Auth requested");
    if (ssh_message_subtype(message.get()) != SSH_AUTH_METHOD_PASSWORD) {
      QLOG_TRACE("Other method. Not supported.");
      ssh_message_auth_set_methods(message.get(), SSH_AUTH_METHOD_PASSWORD);
      ssh_message_reply_default(message.get());
      continue;
    }
    QLOG_TRACE("Password method.");
    const bool accepted =
        authenticate(message_user(message.get()), message_password(message.get()), client_ip);
    count_login(client_ip, accepted);
    if (accepted) {
      ssh_message_auth_reply_success(message.get(), 0);
      return true;
    }
    // One attempt per connection: refuse it and hang up.
    ssh_message_reply_default(message.get());
    return false;
  }
}

void QuorWorker::count_login(const std::string& client_ip, bool accepted) const {
  if (accepted) {
    login_penalties.succeeded(client_ip);
  } else if (login_penalties.failed(client_ip)) {
    QLOG_WARN("Client " + client_ip + " blocked for " + std::to_string(auth_penalty_seconds) +
              " s after " + std::to_string(max_auth_failures) +
              " failed logins (agent.maxAuthFailures)");
  }
}

void QuorWorker::exchange(ssh_channel channel,
                          std::unique_ptr<commands::CommandBase>& command) const {
  QLOG_DEBUG("SSH connection established.");
  command = commands_factory.get_login_command();
  std::string response = command->execute();
  QLOG_TRACE("Sending " + response);
  ssh_channel_write(channel, response.data(), static_cast<uint32_t>(response.size()));

  char buffer[read_chunk_size + 1];
  for (;;) {
    std::memset(buffer, 0, sizeof(buffer));
    if (ssh_channel_read(channel, buffer, read_chunk_size, 0) <= 0) break;
    QLOG_TRACE("Received: " + utils::mask_secrets(buffer));
    // A request starts with "#", which carries no field: the first byte of
    // every chunk is dropped.
    command = commands_factory.get_command(std::string(buffer + 1),
                                           ssh_get_fd(ssh_channel_get_session(channel)));
    response = command->execute();
    if (response.empty()) continue;
    QLOG_TRACE("Sending: " + utils::mask_secrets(response));
    ssh_channel_write(channel, response.data(), static_cast<uint32_t>(response.size()));
  }
  QLOG_DEBUG("ssh_channel_read cycle ended.");
}

bool QuorWorker::authenticate(const std::string& user, const std::string& password,
                              const std::string& client_ip) const {
  QLOG_TRACE(" > QuorWorker::authenticate");
  QLOG_DEBUG("Authenticating user " + user + " with password " + hidden_password + " from " +
             client_ip);
  const auto account = users->find(user);
  // An unknown user costs the same comparison as a known one.
  const std::string& expected = account == users->end() ? std::string() : account->second;
  const bool authenticated = utils::password_matches(expected, password) && account != users->end();
  QLOG_DEBUG(authenticated ? "Authenticated" : "Not authenticated");

  bool firewall_passed = true;
  const auto ranges = firewall->find(user);
  if (ranges != firewall->end()) {
    QLOG_TRACE("Checking firewall");
    firewall_passed = std::any_of(
        ranges->second.begin(), ranges->second.end(),
        [&client_ip](const utils::AddressRange& range) { return range.contains(client_ip); });
    QLOG_DEBUG(firewall_passed ? "Firewall passwed" : "Firewalled");
  }

  const bool result = authenticated && firewall_passed;
  if (!result) {
    if (!authenticated) {
      QLOG_WARN("Authentication failed for user " + user + " with password " + hidden_password);
    }
    if (!firewall_passed) {
      QLOG_WARN("User " + user + " from " + client_ip + " was firewalled");
    }
  }
  QLOG_TRACE(" < QuorWorker::authenticate");
  return result;
}

std::size_t QuorWorker::running_sessions() const {
  std::lock_guard<std::mutex> lock(session_threads_mutex);
  return session_threads.size();
}

void QuorWorker::reap_sessions() {
  std::lock_guard<std::mutex> lock(session_threads_mutex);
  for (auto it = session_threads.begin(); it != session_threads.end();) {
    if (it->thread->try_join_for(boost::chrono::milliseconds(0))) {
      it = session_threads.erase(it);
    } else {
      ++it;
    }
  }
}

void QuorWorker::end_late_logins() {
  const auto deadline =
      std::chrono::steady_clock::now() - std::chrono::seconds(login_grace_seconds);
  std::lock_guard<std::mutex> lock(session_threads_mutex);
  for (SessionThread& session : session_threads) {
    if (session.accepted <= deadline && session.socket->shutdown_before_login()) {
      QLOG_WARN("Connection from " + session.client_ip + " closed: no login within " +
                std::to_string(login_grace_seconds) + " s (agent.loginGraceTime)");
    }
  }
}

void QuorWorker::end_sessions() {
  std::list<SessionThread> open;
  {
    std::lock_guard<std::mutex> lock(session_threads_mutex);
    open.swap(session_threads);
  }
  if (open.empty()) return;
  QLOG_DEBUG("Closing " + std::to_string(open.size()) + " open sessions.");
  for (SessionThread& session : open) session.socket->shutdown();
  const auto deadline =
      boost::chrono::steady_clock::now() + boost::chrono::seconds(session_stop_seconds);
  for (auto it = open.begin(); it != open.end();) {
    if (it->thread->try_join_until(deadline)) {
      it = open.erase(it);
    } else {
      ++it;
    }
  }
  if (open.empty()) return;
  QLOG_ERROR(std::to_string(open.size()) + " session threads did not end within " +
             std::to_string(session_stop_seconds) + " seconds.");
  std::lock_guard<std::mutex> lock(session_threads_mutex);
  session_threads.splice(session_threads.end(), open);
}
