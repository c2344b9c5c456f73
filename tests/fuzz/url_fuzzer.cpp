// The host names that checks take apart: the URL of the URL check, the
// "Host name" of the certificate check (and its server name on a TLS
// handshake object), the host of the ping check.
#include <openssl/ssl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "checks/certificate_check.h"
#include "checks/ping_check.h"
#include "checks/url_check.h"
#include "ssl/server_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SSL_CTX* const context = SSL_CTX_new(TLS_client_method());
  const std::string text(reinterpret_cast<const char*>(data), size);

  const checks::UrlCheck::Target target = checks::UrlCheck::parse_url(text);
  const auto host_port = checks::CertificateCheck::parse_host(text);
  checks::PingCheck::valid_host(text);

  const std::unique_ptr<SSL, decltype(&SSL_free)> handle(SSL_new(context), &SSL_free);
  ssl::set_server_name(handle.get(), host_port.first);
  ssl::set_server_name(handle.get(), target.host);
  return 0;
}
