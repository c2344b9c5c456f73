// The agent's server object, built once by main() from the settings.
//
// do_work() loads the host keys once, binds the SSH port on every listen
// address and supervises on the main thread; a listen thread
// ("quor2-listen" in ps -L and top -H) accepts connections; every
// connection is served by a session thread ("quor2-session") of its own:
// SshConnection brings it to an open shell, then one record is answered
// per read until the client ends its input. The commands factory, users and
// firewall are built before any thread starts and only read afterwards.
// stop_requested is set by the signal handler (an atomic, so the
// supervision loop reliably sees the write); session_threads is shared by
// the listen thread and the main thread and guards itself.
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
// supervision pass (SessionThreads). A client with too many failed logins
// is refused for a while, right after accept and at every password attempt
// (LoginGate).
#ifndef QUOR2_WORKER_QUOR_WORKER_H_
#define QUOR2_WORKER_QUOR_WORKER_H_

#include <libssh/libssh.h>
#include <libssh/server.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "commands/commands_factory.h"
#include "settings/settings.h"
#include "worker/host_key.h"
#include "worker/listener.h"
#include "worker/login_gate.h"
#include "worker/session_socket.h"
#include "worker/session_threads.h"

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
  std::size_t running_sessions() const { return session_threads.size(); }

  std::atomic<int> stop_requested{0};

 private:
  void listen_thread_func(Listener& listener, ssh_bind bind);
  // Hands an accepted connection to libssh and a session thread, unless its
  // client is penalised.
  void accept_connection(int fd, ssh_bind bind);
  // Serves one connection; owns the session and its command.
  void thread_func(ssh_session session, std::shared_ptr<SessionSocket> socket,
                   const std::string& client_ip);
  // Answers one record per read until the client ends its input.
  void exchange(ssh_channel channel, std::unique_ptr<commands::CommandBase>& command) const;

  SessionThreads session_threads;
  int port;
  std::vector<std::string> listen_addresses;
  std::vector<HostKeyFile> host_keys;
  std::shared_ptr<UserMap> users;
  std::shared_ptr<FirewallMap> firewall;
  commands::CommandsFactory commands_factory;
  LoginGate login_gate;
};

#endif  // QUOR2_WORKER_QUOR_WORKER_H_
