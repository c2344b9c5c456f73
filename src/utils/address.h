// Client addresses for the per-user firewall: the peer of an SSH connection
// as text, and whether an address text lies in an inclusive range. Free
// functions without state; any thread may call them.
#ifndef QUOR2_UTILS_ADDRESS_H_
#define QUOR2_UTILS_ADDRESS_H_

#include <libssh/libssh.h>

#include <string>

namespace utils {

// The peer address of the session's socket in inet_ntop form; an IPv4 peer
// of an IPv6 socket comes out IPv4-mapped. Empty when the socket has no peer.
std::string get_client_ip(ssh_session const& session);

// As get_client_ip(), of the connected socket `fd`.
std::string get_peer_ip(int fd);

// Whether `first` <= `address` <= `last`. The family is that of `first`
// (IPv6 when it holds a colon). A text that does not convert in that family,
// a client of the other family included, is never in range.
bool is_address_in_range(const std::string& address, const std::string& first,
                         const std::string& last);

}  // namespace utils

#endif  // QUOR2_UTILS_ADDRESS_H_
