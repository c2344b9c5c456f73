#include "ssl/client.h"

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <boost/asio/connect.hpp>

#include "logger/logger.h"
#include "ssl/server_name.h"

namespace ssl {

client::client(boost::asio::io_service& io, boost::asio::ssl::context& context,
               const utils::HostResolver::Endpoints& endpoints, const std::string& host)
    : socket(io, context) {
  socket.set_verify_mode(boost::asio::ssl::verify_peer);
  socket.set_verify_callback([this](bool preverified, boost::asio::ssl::verify_context& ctx) {
    return verify_certificate(preverified, ctx);
  });
  set_server_name(socket.native_handle(), host);
  boost::asio::async_connect(
      socket.lowest_layer(), endpoints,
      [this](const boost::system::error_code& code, const boost::asio::ip::tcp::endpoint&) {
        handle_connect(code);
      });
}

client::~client() = default;

void client::handle_connect(const boost::system::error_code& code) {
  if (code) {
    QLOG_ERROR("Connect failed: " + code.message());
    error = true;
    message = code.message();
    return;
  }
  socket.async_handshake(boost::asio::ssl::stream_base::client,
                         [this](const boost::system::error_code& handshake_code) {
                           handle_handshake(handshake_code);
                         });
}

void client::handle_handshake(const boost::system::error_code& code) {
  if (!code) return;
  QLOG_ERROR("Handshake failed: " + code.message());
  error = true;
  message = code.message();
}

bool client::verify_certificate(bool, boost::asio::ssl::verify_context& ctx) {
  X509* const certificate = X509_STORE_CTX_get_current_cert(ctx.native_handle());
  if (certificate == nullptr) return true;
  char name[256];
  X509_NAME_oneline(X509_get_subject_name(certificate), name, sizeof(name));
  QLOG_TRACE(std::string("Verifying ") + name);
  const ASN1_TIME* const not_after = X509_get0_notAfter(certificate);
  subject = name;
  time_type = ASN1_STRING_type(not_after);
  time_text.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(not_after)),
                   static_cast<std::size_t>(ASN1_STRING_length(not_after)));
  return true;
}

}  // namespace ssl
