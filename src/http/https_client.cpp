#include "http/https_client.h"

#include <boost/asio/connect.hpp>

#include "ssl/server_name.h"

namespace http {

HttpsClient::HttpsClient(boost::asio::io_service& io, const std::string& server,
                         const std::string& port, const std::string& path,
                         const std::string& text_to_find)
    : HttpClientBase(server, port, path, text_to_find),
      resolver(io),
      context(boost::asio::ssl::context::sslv23),
      socket(io, context) {
  socket.set_verify_mode(boost::asio::ssl::verify_peer);
  socket.set_verify_callback([this](bool preverified, boost::asio::ssl::verify_context& ctx) {
    return verify_certificate(preverified, ctx);
  });
  ssl::set_server_name(socket.native_handle(), server);
  resolver.async_resolve(
      server, port,
      [this](const boost::system::error_code& code,
             const utils::HostResolver::Endpoints& endpoints) { handle_resolve(code, endpoints); });
}

HttpsClient::~HttpsClient() = default;

bool HttpsClient::verify_certificate(bool, boost::asio::ssl::verify_context&) { return true; }

void HttpsClient::handle_resolve(const boost::system::error_code& code,
                                 const utils::HostResolver::Endpoints& endpoints) {
  if (code) return fail("Resolve failed: ", code);
  boost::asio::async_connect(
      socket.lowest_layer(), endpoints,
      [this](const boost::system::error_code& connect_code, const boost::asio::ip::tcp::endpoint&) {
        handle_connect(connect_code);
      });
}

void HttpsClient::handle_connect(const boost::system::error_code& code) {
  if (code) return fail("Connect failed: ", code);
  socket.async_handshake(boost::asio::ssl::stream_base::client,
                         [this](const boost::system::error_code& handshake_code) {
                           handle_handshake(handshake_code);
                         });
}

void HttpsClient::handle_handshake(const boost::system::error_code& code) {
  if (code) return fail("Handshake failed: ", code);
  start_exchange(socket);
}

}  // namespace http
