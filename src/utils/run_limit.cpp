#include "utils/run_limit.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>

namespace utils {

RunLimit RunLimit::within(std::chrono::milliseconds bound) const {
  return RunLimit(std::min(deadline_, Clock::now() + bound), connection_fd_);
}

std::chrono::milliseconds RunLimit::left() const {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

bool RunLimit::connection_ended() const {
  if (connection_fd_ < 0) return false;
  // Only the peer's end counts: data it sent meanwhile (a request sent
  // ahead, a channel message) waits for the session to read it.
  pollfd connection{connection_fd_, POLLRDHUP, 0};
  int ready;
  while ((ready = poll(&connection, 1, 0)) < 0 && errno == EINTR) {
  }
  return ready > 0 && (connection.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void RunLimit::check(int seconds) const {
  if (connection_ended()) throw std::runtime_error("Connection closed");
  if (Clock::now() >= deadline_) {
    throw std::runtime_error("Check timed out after " + std::to_string(seconds) + " s");
  }
}

}  // namespace utils
