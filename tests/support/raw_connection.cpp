#include "support/raw_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

RawConnection::RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
}

RawConnection::~RawConnection() { close(fd_); }

bool RawConnection::wait_closed() {
  pollfd readable{fd_, POLLIN, 0};
  char buffer[4096];
  while (poll(&readable, 1, 30000) == 1) {
    if (recv(fd_, buffer, sizeof(buffer), 0) <= 0) return true;
  }
  return false;
}

}  // namespace testing_support
