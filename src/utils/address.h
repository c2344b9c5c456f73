// The client address of an SSH connection as text, as the per-user firewall
// and the log see it. A free function without state; any thread may call it.
#ifndef QUOR2_UTILS_ADDRESS_H_
#define QUOR2_UTILS_ADDRESS_H_

#include <libssh/libssh.h>

#include <string>

namespace utils {

// The peer address of the session's socket in inet_ntop form; an IPv4 peer
// of an IPv6 socket comes out IPv4-mapped. Empty when the socket has no peer.
std::string get_client_ip(ssh_session const& session);

}  // namespace utils

#endif  // QUOR2_UTILS_ADDRESS_H_
