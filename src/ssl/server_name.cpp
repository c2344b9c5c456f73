#include "ssl/server_name.h"

#include "utils/host_port.h"

namespace ssl {

void set_server_name(SSL* handle, const std::string& host) {
  if (host.empty() || utils::HostPort::is_address_literal(host)) return;
  SSL_set_tlsext_host_name(handle, host.c_str());
}

}  // namespace ssl
