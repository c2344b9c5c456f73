#include "worker/session_socket.h"

#include <sys/socket.h>

void SessionSocket::shutdown() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void SessionSocket::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  fd_ = -1;
}
