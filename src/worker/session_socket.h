// The socket of one accepted connection, as a stop sees it.
//
// A stop shuts the socket down so that the session thread's blocking libssh
// calls return at once. The session thread releases it before libssh closes
// the descriptor, so a stop never touches a descriptor number that may have
// been reused. Shared by the session thread and the worker's main thread;
// both calls are safe at any time, in any order, any number of times.
#ifndef QUOR2_WORKER_SESSION_SOCKET_H_
#define QUOR2_WORKER_SESSION_SOCKET_H_

#include <mutex>

class SessionSocket {
 public:
  explicit SessionSocket(int fd) : fd_(fd) {}
  SessionSocket(const SessionSocket&) = delete;
  SessionSocket& operator=(const SessionSocket&) = delete;

  // Ends reads and writes on the connection while it is still open.
  void shutdown();

  // The session is about to close the descriptor; shutdown() does nothing
  // from now on.
  void release();

 private:
  std::mutex mutex_;
  int fd_;
};

#endif  // QUOR2_WORKER_SESSION_SOCKET_H_
