#include "http/http_client.h"

#include <boost/asio/connect.hpp>

namespace http {

HttpClient::HttpClient(boost::asio::io_service& io, const std::string& server,
                       const std::string& port, const std::string& path,
                       const std::string& text_to_find)
    : HttpClientBase(server, port, path, text_to_find), resolver(io), socket(io) {
  resolver.async_resolve(
      server, port,
      [this](const boost::system::error_code& code,
             const utils::HostResolver::Endpoints& endpoints) { handle_resolve(code, endpoints); });
}

HttpClient::~HttpClient() = default;

void HttpClient::handle_resolve(const boost::system::error_code& code,
                                const utils::HostResolver::Endpoints& endpoints) {
  if (code) return fail("Resolve failed: ", code);
  boost::asio::async_connect(
      socket, endpoints,
      [this](const boost::system::error_code& connect_code, const boost::asio::ip::tcp::endpoint&) {
        handle_connect(connect_code);
      });
}

void HttpClient::handle_connect(const boost::system::error_code& code) {
  if (code) return fail("Connect failed: ", code);
  start_exchange(socket);
}

}  // namespace http
