#include "utils/address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstring>

namespace utils {

namespace {

// The address in network byte order, or false when the text does not
// convert in `family`.
template <std::size_t N>
bool to_bytes(int family, const std::string& text, std::array<unsigned char, N>& bytes) {
  return inet_pton(family, text.c_str(), bytes.data()) == 1;
}

// Network byte order compares as the number it spells, byte by byte.
template <std::size_t N>
bool in_range(int family, const std::string& address, const std::string& first,
              const std::string& last) {
  std::array<unsigned char, N> low, high, value;
  if (!to_bytes(family, first, low) || !to_bytes(family, last, high) ||
      !to_bytes(family, address, value)) {
    return false;
  }
  return low <= value && value <= high;
}

}  // namespace

std::string get_client_ip(ssh_session const& session) { return get_peer_ip(ssh_get_fd(session)); }

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

bool is_address_in_range(const std::string& address, const std::string& first,
                         const std::string& last) {
  if (first.find(':') != std::string::npos) return in_range<16>(AF_INET6, address, first, last);
  return in_range<4>(AF_INET, address, first, last);
}

}  // namespace utils
