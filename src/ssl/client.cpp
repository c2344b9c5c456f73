#include "ssl/client.h"

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <boost/asio/connect.hpp>

#include "logger/logger.h"
#include "ssl/server_name.h"
#include "utils/params.h"

namespace ssl {

client::client(boost::asio::io_service& io, boost::asio::ssl::context& context,
               const utils::HostResolver::Endpoints& endpoints, const std::string& host, int limit)
    : socket(io, context), limit_days(limit) {
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
  error = false;
  X509* const certificate = X509_STORE_CTX_get_current_cert(ctx.native_handle());
  if (certificate == nullptr) return true;
  char subject[256];
  X509_NAME_oneline(X509_get_subject_name(certificate), subject, sizeof(subject));
  QLOG_TRACE("Verifying " + logger::escape(subject));
  const ASN1_TIME* const not_after = X509_get0_notAfter(certificate);
  const std::string time_text(reinterpret_cast<const char*>(ASN1_STRING_get0_data(not_after)),
                              static_cast<std::size_t>(ASN1_STRING_length(not_after)));
  const Verdict verdict =
      judge(subject, ASN1_STRING_type(not_after), time_text, limit_days, std::time(nullptr));
  valid = verdict.valid;
  error = verdict.error;
  message = verdict.message;
  return true;
}

client::Verdict client::judge(const std::string& subject, int time_type,
                              const std::string& time_text, int limit, std::time_t now) {
  Verdict verdict;
  // The subject reaches the response record.
  const std::string name = utils::escape_record_text(subject);
  const char* format = nullptr;
  if (time_type == V_ASN1_UTCTIME) {
    format = "%y%m%d%H%M%S";
  } else if (time_type == V_ASN1_GENERALIZEDTIME) {
    format = "%Y%m%d%H%M%S";
  } else {
    verdict.error = true;
    verdict.message = "Unexpected ASN.1 time type: " + std::to_string(time_type);
    return verdict;
  }
  std::tm expiry = {};
  if (strptime(time_text.c_str(), format, &expiry) == nullptr) {
    verdict.error = true;
    verdict.message = "Unreadable expiry time in certificate for " + name;
    return verdict;
  }
  // A two-digit year from 50 on is of the 1900s (UTCTime ends with 2049).
  if (time_type == V_ASN1_UTCTIME && expiry.tm_year >= 150) expiry.tm_year -= 100;

  std::tm utc = expiry;
  const int days = static_cast<int>(std::difftime(timegm(&utc), now) / 3600.0 / 24.0);
  char date[64];
  std::strftime(date, sizeof(date), "%F %T", &expiry);
  verdict.valid = days >= limit;
  if (days < 0) {
    verdict.valid = false;
    verdict.message = "Certificate for " + name + " is expired " + date;
  } else if (days < limit) {
    verdict.message = "Certificate for " + name + " will expire in " + std::to_string(days) +
                      "days. Valid to " + date;
  } else {
    verdict.message = "Certificate for " + name + " is valid to " + date;
  }
  return verdict;
}

}  // namespace ssl
