#include "worker/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "logger/logger.h"

namespace {

// A socket bound to `address` and listening, or -1 with `error` set.
int listen_on(const std::string& address, int port, std::string& error) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    length = sizeof(*v4);
  } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    length = sizeof(*v6);
  } else {
    error = "not an IPv4 or IPv6 address";
    return -1;
  }
  const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  if (storage.ss_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof(on));
  // A burst of connections (many monitoring sessions opened at once) must
  // not overflow the queue: the kernel drops the handshakes beyond it, and
  // clients retry them only a second or more later.
  if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
      ::listen(fd, SOMAXCONN) != 0) {
    error = std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Listener::Listener(const std::vector<std::string>& addresses, int port) {
  for (const std::string& address : addresses) {
    std::string error;
    const int fd = listen_on(address, port, error);
    if (fd >= 0) {
      fds_.push_back(fd);
    } else {
      QLOG_ERROR("ssh_bind_listen failed: Binding to " + address + ":" + std::to_string(port) +
                 ": " + error);
    }
  }
}

Listener::~Listener() {
  for (const int fd : fds_) close(fd);
}

int Listener::accept(std::string& error) {
  std::vector<pollfd> waiting;
  for (const int fd : fds_) waiting.push_back({fd, POLLIN, 0});
  while (poll(waiting.data(), waiting.size(), -1) < 0) {
    if (errno != EINTR) {
      error = std::strerror(errno);
      return -1;
    }
  }
  for (const pollfd& socket : waiting) {
    if (socket.revents == 0) continue;
    const int fd = accept4(socket.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) return fd;
    error = std::string("Accepting a new connection: ") + std::strerror(errno);
    return -1;
  }
  return -1;
}

void Listener::stop() {
  // A listening socket shut down for reading wakes its waiters, and
  // accepting from it fails from then on.
  for (const int fd : fds_) shutdown(fd, SHUT_RD);
}
