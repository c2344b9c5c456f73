// The TLS client of the certificate check. It connects, shakes hands and
// keeps the subject and expiry time of the certificate that OpenSSL hands to
// its verification callback during the handshake; the server's own
// certificate comes last, so its fields stand. No application data is sent
// and no TLS shutdown either. Certificates are never refused: the check
// judges the expiry.
//
// Driven by the owner's io_service: the constructor starts the connect, and
// the fields are final once the run has returned. Used by the thread that
// runs the io_service.
#ifndef QUOR2_SSL_CLIENT_H_
#define QUOR2_SSL_CLIENT_H_

#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <string>

#include "utils/host_resolver.h"

namespace ssl {

class client {
 public:
  // Starts connecting to the first of `endpoints` that accepts; `host` is
  // sent as server name (SNI) when it is a name.
  client(boost::asio::io_service& io, boost::asio::ssl::context& context,
         const utils::HostResolver::Endpoints& endpoints, const std::string& host);
  ~client();
  client(const client&) = delete;
  client& operator=(const client&) = delete;

  // Keeps the fields of the certificate being verified; always accepts it.
  bool verify_certificate(bool preverified, boost::asio::ssl::verify_context& ctx);

  boost::asio::ssl::stream<boost::asio::ip::tcp::socket> socket;
  bool error = false;   // the connect or the handshake failed
  std::string message;  // why, when it failed
  // Of the last certificate seen: its one-line subject, and its expiry time
  // as ASN.1 type (UTCTime 23, GeneralizedTime 24) and text.
  std::string subject;
  int time_type = 0;
  std::string time_text;

 private:
  void handle_connect(const boost::system::error_code& code);
  void handle_handshake(const boost::system::error_code& code);
};

}  // namespace ssl

#endif  // QUOR2_SSL_CLIENT_H_
