// How long one check may still go on, and for whom: the deadline of its run
// and, where there is one, the connection whose request it answers. A check
// stops as soon as the deadline passes or that connection has ended (the
// client went away, or the agent shut the connection down at a stop): its
// answer would reach nobody. A small value, copied freely; used by the
// thread that runs the check.
#ifndef QUOR2_UTILS_RUN_LIMIT_H_
#define QUOR2_UTILS_RUN_LIMIT_H_

#include <chrono>

namespace utils {

class RunLimit {
 public:
  using Clock = std::chrono::steady_clock;

  // `connection_fd` is the connected socket of the client, or -1.
  explicit RunLimit(Clock::time_point deadline, int connection_fd = -1)
      : deadline_(deadline), connection_fd_(connection_fd) {}

  // The limit of a step: the same connection, and a deadline no later than
  // `bound` from now.
  RunLimit within(std::chrono::milliseconds bound) const;

  // The same deadline, for the client on `connection_fd`.
  RunLimit for_connection(int connection_fd) const { return RunLimit(deadline_, connection_fd); }

  Clock::time_point deadline() const { return deadline_; }
  int connection_fd() const { return connection_fd_; }

  // Time left until the deadline; zero once it has passed.
  std::chrono::milliseconds left() const;

  // Whether the client's connection has ended. False without a connection.
  bool connection_ended() const;

  // Throws std::runtime_error "Connection closed" once the connection has
  // ended, and "Check timed out after <seconds> s" once the deadline has
  // passed, where `seconds` is the whole bound the caller states.
  void check(int seconds) const;

 private:
  Clock::time_point deadline_;
  int connection_fd_;
};

}  // namespace utils

#endif  // QUOR2_UTILS_RUN_LIMIT_H_
