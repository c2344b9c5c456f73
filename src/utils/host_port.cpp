#include "utils/host_port.h"

#include <arpa/inet.h>

#include <algorithm>
#include <stdexcept>

namespace utils {

namespace {

bool is_ipv6(const std::string& text) {
  in6_addr address;
  return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

[[noreturn]] void invalid_host() {
  throw std::runtime_error("Invalid host: expected host, host:port, [IPv6] or [IPv6]:port");
}

std::string checked_port(const std::string& port) {
  const bool digits =
      !port.empty() && port.size() <= 5 &&
      std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535) {
    throw std::runtime_error("Invalid port: expected a number from 1 to 65535");
  }
  return port;
}

// Blanks, control characters and stray brackets make no host name.
bool plausible_host(const std::string& host) {
  return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f || c == '[' || c == ']';
  });
}

}  // namespace

HostPort HostPort::parse(const std::string& text, const std::string& default_port) {
  if (!text.empty() && text[0] == '[') {
    const std::string::size_type close = text.find(']');
    if (close == std::string::npos || !is_ipv6(text.substr(1, close - 1))) invalid_host();
    const std::string rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != ':') invalid_host();
    return {text.substr(1, close - 1), rest.empty() ? default_port : checked_port(rest.substr(1))};
  }
  const std::string::size_type colon = text.find(':');
  if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos) {
    if (!is_ipv6(text)) invalid_host();
    return {text, default_port};
  }
  const std::string host = text.substr(0, colon);
  if (!plausible_host(host)) invalid_host();
  return {host, colon == std::string::npos ? default_port : checked_port(text.substr(colon + 1))};
}

std::string HostPort::bracketed(const std::string& host) {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

bool HostPort::is_address_literal(const std::string& host) {
  in_addr address;
  return is_ipv6(host) || inet_pton(AF_INET, host.c_str(), &address) == 1;
}

}  // namespace utils
