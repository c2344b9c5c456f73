// The TLS client of the URL check: one HTTP/1.0 GET over TLS, driven by the
// owner's io_service (see HttpClientBase for the life of a client).
//
// Certificates are not judged (the certificate check is the place for
// that): every certificate is accepted. The host is sent as server name
// (SNI) when it is a name. No TLS shutdown is sent at the end.
#ifndef QUOR2_HTTP_HTTPS_CLIENT_H_
#define QUOR2_HTTP_HTTPS_CLIENT_H_

#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <string>

#include "http/http_client_base.h"
#include "utils/host_resolver.h"

namespace http {

class HttpsClient : public HttpClientBase {
 public:
  // Builds the TLS context and stream, the request, and queues the
  // resolution of `server`. Throws boost::system::system_error when the TLS
  // library cannot make the context or the engine.
  HttpsClient(boost::asio::io_service& io, const std::string& server, const std::string& port,
              const std::string& path, const std::string& text_to_find);
  ~HttpsClient() override;

  // Accepts every certificate.
  bool verify_certificate(bool preverified, boost::asio::ssl::verify_context& ctx);

 private:
  void handle_resolve(const boost::system::error_code& code,
                      const utils::HostResolver::Endpoints& endpoints);
  void handle_connect(const boost::system::error_code& code);
  void handle_handshake(const boost::system::error_code& code);

  utils::HostResolver resolver;
  boost::asio::ssl::context context;
  boost::asio::ssl::stream<boost::asio::ip::tcp::socket> socket;
};

}  // namespace http

#endif  // QUOR2_HTTP_HTTPS_CLIENT_H_
