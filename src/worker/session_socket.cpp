#include "worker/session_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

SessionSocket::SessionSocket(int fd) : fd_(fcntl(fd, F_DUPFD_CLOEXEC, 0)) {}

SessionSocket::~SessionSocket() { release(); }

void SessionSocket::shutdown() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_RDWR);
  shut_down_ = true;
}

bool SessionSocket::shutdown_before_login() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ < 0 || logged_in_ || shut_down_) return false;
  ::shutdown(fd_, SHUT_RDWR);
  shut_down_ = true;
  return true;
}

bool SessionSocket::mark_logged_in() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (shut_down_) return false;
  logged_in_ = true;
  return true;
}

bool SessionSocket::ended_from_outside() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shut_down_;
}

void SessionSocket::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}
