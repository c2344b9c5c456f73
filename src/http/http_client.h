// The plain-TCP client of the URL check: one HTTP/1.0 GET, driven by the
// owner's io_service (see HttpClientBase for the life of a client).
#ifndef QUOR2_HTTP_HTTP_CLIENT_H_
#define QUOR2_HTTP_HTTP_CLIENT_H_

#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <string>

#include "http/http_client_base.h"
#include "utils/host_resolver.h"

namespace http {

class HttpClient : public HttpClientBase {
 public:
  // Builds the request and queues the resolution of `server`; no network
  // activity happens before the owner runs `io`.
  HttpClient(boost::asio::io_service& io, const std::string& server, const std::string& port,
             const std::string& path, const std::string& text_to_find);
  ~HttpClient() override;

 private:
  void handle_resolve(const boost::system::error_code& code,
                      const utils::HostResolver::Endpoints& endpoints);
  void handle_connect(const boost::system::error_code& code);

  utils::HostResolver resolver;
  boost::asio::ip::tcp::socket socket;
};

}  // namespace http

#endif  // QUOR2_HTTP_HTTP_CLIENT_H_
