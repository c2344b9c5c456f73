// The listening sockets of the SSH port: one per configured address, IPv4
// or IPv6, each IPv6 one IPv6-only so that every client address comes in its
// own family. The constructor binds them and logs one Error line per address
// that cannot be bound; the agent serves on the others. The listen thread
// waits in accept(); the main thread calls stop() to end that wait. The
// sockets are closed with the object.
#ifndef QUOR2_WORKER_LISTENER_H_
#define QUOR2_WORKER_LISTENER_H_

#include <string>
#include <vector>

class Listener {
 public:
  Listener(const std::vector<std::string>& addresses, int port);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Whether at least one address is bound.
  bool listening() const { return !fds_.empty(); }

  // Waits for a connection on any of the sockets. Its descriptor, owned by
  // the caller; -1 once stop() was called, or when accepting fails, with
  // `error` telling why.
  int accept(std::string& error);

  // Ends the wait of accept() for good; safe from another thread.
  void stop();

 private:
  std::vector<int> fds_;
};

#endif  // QUOR2_WORKER_LISTENER_H_
