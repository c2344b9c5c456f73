// The session threads of the SSH front end, one per accepted connection,
// from start to join. The listen thread starts them (at most max_sessions
// open at once); the main thread's supervision pass reaps those that ended
// and shuts down the connections past the login grace time; a stop shuts
// every open connection down and joins its thread within a bound. One
// mutex guards the list; the count of open sessions is atomic, counted up
// by start() and down by each session thread as it ends.
#ifndef QUOR2_WORKER_SESSION_THREADS_H_
#define QUOR2_WORKER_SESSION_THREADS_H_

#include <atomic>
#include <boost/thread/thread.hpp>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "utils/ssh_handles.h"
#include "worker/session_socket.h"

class SessionThreads {
 public:
  // Serves one connection; owns the session from its start.
  using Body = std::function<void(ssh_session session, std::shared_ptr<SessionSocket> socket,
                                  const std::string& client_ip)>;

  SessionThreads(int max_sessions, int login_grace_seconds, int stop_seconds);
  // Ends the open sessions as end_all() does; a thread that outlasts the
  // bound is detached.
  ~SessionThreads();
  SessionThreads(const SessionThreads&) = delete;
  SessionThreads& operator=(const SessionThreads&) = delete;

  // Runs `body` on a thread of its own, which takes the session over.
  // When max_sessions are open, or no thread can start, the session is
  // closed at once with a line why.
  void start(utils::SshSession session, const std::string& client_ip, const Body& body);

  // Joins the threads that have ended, without waiting.
  void reap();

  // Shuts down the connections that are past the login grace time.
  void end_late_logins();

  // Shuts every open connection down and joins its thread within the
  // bound; those that outlast it stay in the list.
  void end_all();

  // Threads started and not yet joined.
  std::size_t size() const;

 private:
  struct Session {
    std::unique_ptr<boost::thread> thread;
    std::shared_ptr<SessionSocket> socket;
    std::chrono::steady_clock::time_point accepted;
    std::string client_ip;
  };

  const int max_sessions_;
  const int login_grace_seconds_;
  const int stop_seconds_;
  mutable std::mutex mutex_;
  std::list<Session> sessions_;
  std::atomic<int> open_{0};
};

#endif  // QUOR2_WORKER_SESSION_THREADS_H_
