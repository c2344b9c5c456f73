// The TLS client of the certificate check. It connects, shakes hands and
// keeps the verdict on the certificate that OpenSSL hands to its
// verification callback during the handshake; the server's own certificate
// comes last, so its verdict stands. No application data is sent and no TLS
// shutdown either. Certificates are never refused: only the expiry counts.
//
// Driven by the owner's io_service: the constructor starts the connect, and
// the fields are final once the run has returned. Used by the thread that
// runs the io_service.
#ifndef QUOR2_SSL_CLIENT_H_
#define QUOR2_SSL_CLIENT_H_

#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <ctime>
#include <string>

#include "utils/host_resolver.h"

namespace ssl {

class client {
 public:
  struct Verdict {
    bool valid = false;
    bool error = false;
    std::string message;
  };

  // Starts connecting to the first of `endpoints` that accepts; `host` is
  // sent as server name (SNI) when it is a name.
  client(boost::asio::io_service& io, boost::asio::ssl::context& context,
         const utils::HostResolver::Endpoints& endpoints, const std::string& host, int limit_days);
  ~client();
  client(const client&) = delete;
  client& operator=(const client&) = delete;

  // Judges the certificate being verified; always accepts it.
  bool verify_certificate(bool preverified, boost::asio::ssl::verify_context& ctx);

  // The verdict at `now` on a certificate of `subject` whose expiry time has
  // the ASN.1 type `time_type` (UTCTime 23, GeneralizedTime 24) and the text
  // `time_text`. The time is UTC; the date in the message is the
  // certificate's own.
  static Verdict judge(const std::string& subject, int time_type, const std::string& time_text,
                       int limit_days, std::time_t now);

  boost::asio::ssl::stream<boost::asio::ip::tcp::socket> socket;
  int limit_days;
  bool valid = false;
  bool error = false;  // connect or handshake failed, or an unreadable expiry time
  std::string message;

 private:
  void handle_connect(const boost::system::error_code& code);
  void handle_handshake(const boost::system::error_code& code);
};

}  // namespace ssl

#endif  // QUOR2_SSL_CLIENT_H_
