// A host and port as the network checks take them: "host", "host:port",
// "[v6]", "[v6]:port", or a bare IPv6 literal without port ("::1"). The
// host is a name or an IPv4 literal, or an IPv6 literal (brackets only
// around those, and then required for a port); the port is decimal, 1 to
// 65535. Anything else (an empty host, "tcp:host:port", a service name as
// port) is refused before any traffic, with a message that says so.
//
// A plain record; any thread may use its own.
#ifndef QUOR2_UTILS_HOST_PORT_H_
#define QUOR2_UTILS_HOST_PORT_H_

#include <string>

namespace utils {

struct HostPort {
  // Throws std::runtime_error, "Invalid host: ..." or "Invalid port: ...",
  // when `text` is none of the forms above; `default_port` stands when it
  // names no port.
  static HostPort parse(const std::string& text, const std::string& default_port);

  // `host` as an authority writes it: an IPv6 literal (the only host with a
  // colon) in brackets.
  static std::string bracketed(const std::string& host);

  // Whether `host` is an IPv4 or IPv6 address literal (no brackets).
  static bool is_address_literal(const std::string& host);

  bool ipv6_literal() const { return host.find(':') != std::string::npos; }

  std::string host;  // without brackets
  std::string port;
};

}  // namespace utils

#endif  // QUOR2_UTILS_HOST_PORT_H_
