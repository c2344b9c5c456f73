#include "worker/quor_worker.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "logger/logger.h"
#include "utils/address.h"
#include "utils/version.h"
#include "worker/ssh_connection.h"

namespace {

// One data chunk per read; the buffer keeps a terminating zero after it.
constexpr int read_chunk_size = 2048;

// A stop waits this much longer than a check may run.
constexpr int session_stop_margin_seconds = 5;

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

}  // namespace

QuorWorker::QuorWorker(Settings& settings)
    : session_threads(settings.maxSessions, settings.loginGraceTime,
                      settings.timeout + session_stop_margin_seconds),
      users(settings.users),
      firewall(settings.firewall),
      commands_factory(settings),
      login_gate(*users, *firewall, settings.maxAuthFailures, settings.authPenalty) {
  QLOG_TRACE(" > QuorWorker::QuorWorker");
  port = settings.port;
  listen_addresses = settings.listen;
  host_keys = host_key_files(settings);
  QLOG_TRACE(" < QuorWorker::QuorWorker");
}

// The session threads use the members declared after the list: they end
// before those are destroyed.
QuorWorker::~QuorWorker() { session_threads.end_all(); }

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
  if (!load_host_keys(bind.get(), host_keys)) {
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
    session_threads.reap();
    session_threads.end_late_logins();
  }

  QLOG_TRACE("Shutting down listening socket.");
  listener.stop();
  listen_thread->join();
  bind.reset();
  session_threads.end_all();
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
  if (login_gate.blocked(client_ip)) {
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
  session_threads.start(std::move(session), client_ip,
                        [this](ssh_session connection, std::shared_ptr<SessionSocket> socket,
                               const std::string& ip) { thread_func(connection, socket, ip); });
}

void QuorWorker::thread_func(ssh_session session, std::shared_ptr<SessionSocket> socket,
                             const std::string& client_ip) {
  std::unique_ptr<commands::CommandBase> command;
  QLOG_TRACE(" > QuorWorker::thread_func");
  QLOG_DEBUG("Data exchange thread started.");
  {
    SshConnection connection(session, *socket, login_gate, client_ip);
    try {
      QLOG_INFO("Connection from " + client_ip);
      // The login grace time may have ended the connection just now.
      if (connection.open_shell() && socket->mark_logged_in()) {
        exchange(connection.channel(), command);
        connection.finish();
      }
    } catch (const std::exception& error) {
      QLOG_ERROR(std::string("Session closed after an exception: ") + error.what());
    } catch (...) {
      QLOG_ERROR("Session closed after an unexpected exception");
    }
  }
  QLOG_DEBUG("Data exchange thread exit.");
  QLOG_TRACE(" < QuorWorker::thread_func");
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
  return login_gate.authenticate(user, password, client_ip);
}
