// The socket of one accepted connection, as the main thread sees it.
//
// The main thread shuts the socket down to end a session from outside: all
// open sessions at a stop, and a connection that has not logged in and
// opened its shell within the login grace time. The session thread's
// blocking libssh calls then return at once. The session thread marks the
// moment its shell is open. The object keeps a descriptor of its own for the
// socket until the session releases it, so a shutdown never touches a number
// that libssh closed (a client's disconnect) and the system gave to another
// connection. Shared by the session thread and the main thread; every call
// is safe at any time, in any order, any number of times.
#ifndef QUOR2_WORKER_SESSION_SOCKET_H_
#define QUOR2_WORKER_SESSION_SOCKET_H_

#include <mutex>

class SessionSocket {
 public:
  // Duplicates `fd`; without a descriptor to spare, shutdowns do nothing.
  explicit SessionSocket(int fd);
  ~SessionSocket();
  SessionSocket(const SessionSocket&) = delete;
  SessionSocket& operator=(const SessionSocket&) = delete;

  // Ends reads and writes on the connection while it is still open.
  void shutdown();

  // As shutdown(), only while the session has not logged in and opened its
  // shell; whether it ended the connection now.
  bool shutdown_before_login();

  // The session has logged in and opened its shell; false when the
  // connection was shut down already.
  bool mark_logged_in();

  // Whether shutdown() or shutdown_before_login() ended the connection:
  // its failures from then on are no faults of the client or the agent.
  bool ended_from_outside() const;

  // The session is about to close the connection; shutdown() does nothing
  // from now on.
  void release();

 private:
  mutable std::mutex mutex_;
  int fd_;
  bool logged_in_ = false;
  bool shut_down_ = false;
};

#endif  // QUOR2_WORKER_SESSION_SOCKET_H_
