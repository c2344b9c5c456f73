// The peer address of a connected socket as text, as the per-user firewall
// and the log see it. A free function without state; any thread may call it.
#ifndef QUOR2_UTILS_ADDRESS_H_
#define QUOR2_UTILS_ADDRESS_H_

#include <string>

namespace utils {

// The peer of socket `fd` in inet_ntop form, in the family of the socket
// (the agent's IPv6 sockets are IPv6-only). Empty when it has no peer.
std::string get_peer_ip(int fd);

}  // namespace utils

#endif  // QUOR2_UTILS_ADDRESS_H_
