// The agent's server object, built once by main() from the settings.
//
// do_work() loads the host keys once, binds the SSH port on every listen
// address and supervises on the main thread; a listen thread
// ("quor2-listen" in ps -L and top -H) accepts connections; every
// connection is served by a session thread ("quor2-session") of its own (key exchange, one password attempt, session channel,
// optional pty, shell, then one record answered per read). The commands
// factory, users and firewall are built before any thread starts and only
// read afterwards. stop_requested is set by the signal handler (an atomic,
// so the supervision loop reliably sees the write); session_threads is
// shared by the listen thread and the main thread under its mutex.
//
// The worker outlives every session thread: a stop shuts the open sessions'
// sockets down and joins their threads, with a bound a little longer than a
// check may run. Threads still running after it are counted by
// running_sessions(); main() then ends the process without destroying
// anything they use.
//
// Limits: beyond max_sessions connections being served, a new one is closed
// right after accept; a connection that has not logged in and opened its
// shell within the login grace time is shut down by the main thread's
// supervision pass. open_sessions is counted up by the listen thread and
// down by each session thread as it ends. A client address with too many
// failed logins is refused right after accept for a while (LoginPenalties,
// counted by the session threads, read by the listen thread).
#ifndef QUOR2_WORKER_QUOR_WORKER_H_
#define QUOR2_WORKER_QUOR_WORKER_H_

#include <libssh/libssh.h>
#include <libssh/server.h>

#include <atomic>
#include <boost/thread/thread.hpp>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "commands/commands_factory.h"
#include "settings/settings.h"
#include "utils/ssh_handles.h"
#include "worker/host_key.h"
#include "worker/listener.h"
#include "worker/login_penalties.h"
#include "worker/session_socket.h"

class QuorWorker {
 public:
  explicit QuorWorker(Settings& settings);
  // Ends and joins the sessions a stop has not joined yet; any thread that
  // outlasts the bound is detached.
  ~QuorWorker();
  QuorWorker(const QuorWorker&) = delete;
  QuorWorker& operator=(const QuorWorker&) = delete;

  // Listens and supervises until a stop is requested, then closes the
  // listener and the open sessions. Returns at once when it cannot listen.
  void do_work();

  // Whether the login is accepted: the password matches and, for a user
  // with a firewall entry, the client address lies in its range. Only logs.
  bool authenticate(const std::string& user, const std::string& password,
                    const std::string& client_ip) const;

  // Session threads that did not end within the bound of a stop.
  std::size_t running_sessions() const;

  std::atomic<int> stop_requested{0};

 private:
  struct SessionThread {
    std::unique_ptr<boost::thread> thread;
    std::shared_ptr<SessionSocket> socket;
    std::chrono::steady_clock::time_point accepted;
    std::string client_ip;
  };

  void listen_thread_func(Listener& listener, ssh_bind bind);
  // Hands an accepted connection to libssh and a session thread, unless its
  // address is penalised.
  void accept_connection(int fd, ssh_bind bind);
  void start_session(utils::SshSession session, const std::string& client_ip);
  // Serves one connection; owns the session and its command.
  void thread_func(ssh_session session, std::shared_ptr<SessionSocket> socket,
                   const std::string& client_ip);
  void serve(ssh_session session, SessionSocket& socket, const std::string& client_ip,
             std::unique_ptr<commands::CommandBase>& command) const;
  bool authenticate_client(ssh_session session, const SessionSocket& socket,
                           const std::string& client_ip) const;
  // Counts a login's outcome towards the penalties of its address.
  void count_login(const std::string& client_ip, bool accepted) const;
  void exchange(ssh_channel channel, std::unique_ptr<commands::CommandBase>& command) const;
  // Joins the session threads that have ended, without waiting.
  void reap_sessions();
  // Shuts down the connections that are past the login grace time.
  void end_late_logins();
  // Shuts every open session down and joins its thread within the bound.
  void end_sessions();

  std::list<SessionThread> session_threads;
  mutable std::mutex session_threads_mutex;
  int port;
  std::vector<std::string> listen_addresses;
  std::vector<HostKeyFile> host_keys;
  std::shared_ptr<UserMap> users;
  std::shared_ptr<FirewallMap> firewall;
  commands::CommandsFactory commands_factory;
  // How long a stop waits for the open sessions: a running check is bounded
  // by the check time bound.
  int session_stop_seconds;
  int max_sessions;
  int login_grace_seconds;
  int max_auth_failures;
  int auth_penalty_seconds;
  // Thread-safe; counting a login changes it, even from const members.
  mutable LoginPenalties login_penalties;
  std::atomic<int> open_sessions{0};
};

#endif  // QUOR2_WORKER_QUOR_WORKER_H_
