#include "utils/address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace utils {

std::string get_peer_ip(int fd) {
  sockaddr_storage peer;
  std::memset(&peer, 0, sizeof(peer));
  socklen_t length = sizeof(peer);
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
    return "";
  }
  char text[INET6_ADDRSTRLEN] = {0};
  const char* written = nullptr;
  if (peer.ss_family == AF_INET) {
    written =
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&peer)->sin_addr, text, sizeof(text));
  } else if (peer.ss_family == AF_INET6) {
    written =
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&peer)->sin6_addr, text, sizeof(text));
  }
  return written == nullptr ? "" : text;
}

}  // namespace utils
