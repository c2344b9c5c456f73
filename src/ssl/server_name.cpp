#include "ssl/server_name.h"

#include <boost/asio/ip/address.hpp>

namespace ssl {

void set_server_name(SSL* handle, const std::string& host) {
  boost::system::error_code not_an_address;
  boost::asio::ip::make_address(host, not_an_address);
  if (!not_an_address || host.empty()) return;
  SSL_set_tlsext_host_name(handle, host.c_str());
}

}  // namespace ssl
