#include "checks/certificate_check.h"

#include <openssl/asn1.h>

#include <boost/system/system_error.hpp>
#include <memory>

#include "checks/params_accessor.h"
#include "ssl/client.h"
#include "utils/host_resolver.h"
#include "utils/io_deadline.h"

namespace checks {

const std::string certcheck_error_string = "Certificate check Error: ";

namespace {

// Longest "Host name" text a log line carries.
const std::size_t max_logged_host = 255;

const CheckParameter host_parameter{"Host name", "text", 100};
const CheckParameter limit_parameter{"Remaining limit [days]", "longinteger", 1000};

}  // namespace

CertificateCheck::CertificateCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > CertificateCheck::CertificateCheck");
  QLOG_DEBUG(std::string("CertificateCheck ") + (for_params ? "for params" : "for check"));
  declare({host_parameter, limit_parameter}, for_params, certcheck_error_string);
  QLOG_TRACE(" < CertificateCheck::CertificateCheck");
}

CertificateCheck::~CertificateCheck() {
  QLOG_TRACE(" > CertificateCheck::~CertificateCheck");
  QLOG_TRACE(" < CertificateCheck::~CertificateCheck");
}

std::string CertificateCheck::get_description() { return "Certificate validity test"; }

utils::HostPort CertificateCheck::parse_host(const std::string& value) {
  std::string authority = value;
  const std::string::size_type scheme_end = authority.find("://");
  if (scheme_end != std::string::npos) authority = authority.substr(scheme_end + 3);
  return utils::HostPort::parse(authority.substr(0, authority.find('/')), "443");
}

CheckResult CertificateCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > CertificateCheck::execute");
  return guarded(" < CertificateCheck::execute", true, [&] {
    try {
      return inspect(params);
    } catch (const boost::system::system_error& error) {
      throw std::runtime_error(error.code().message());
    }
  });
}

CheckResult CertificateCheck::inspect(const std::map<std::string, std::string>& params) const {
  const std::string value =
      params_accessor<std::string>::get_required_param(params, host_parameter.name,
                                                       certcheck_error_string);
  const utils::HostPort target = parse_host(value);
  const int limit = params_accessor<int>::get_required_param(params, limit_parameter.name,
                                                             certcheck_error_string);
  QLOG_DEBUG("Checking if certificate for " + logger::shorten(value, max_logged_host) +
             " is valid for " + std::to_string(limit) + " days");

  boost::asio::io_service io;
  boost::asio::ssl::context context(boost::asio::ssl::context::sslv23);
  utils::HostResolver resolver(io);
  std::unique_ptr<ssl::client> client;
  boost::system::error_code resolve_error;
  resolver.async_resolve(
      target.host, target.port,
      [&](const boost::system::error_code& code, const utils::HostResolver::Endpoints& endpoints) {
        if (code) {
          resolve_error = code;
          return;
        }
        client = std::make_unique<ssl::client>(io, context, endpoints, target.host);
      });
  utils::run_with_deadline(io, env.timeout_seconds());
  if (resolve_error) throw boost::system::system_error(resolve_error, "resolve");

  QLOG_TRACE(" < CertificateCheck::execute");
  if (client->error) return CheckResult::failure(client->message);
  return judge(client->subject, client->time_type, client->time_text, limit, std::time(nullptr));
}

CheckResult CertificateCheck::judge(const std::string& subject, int time_type,
                                    const std::string& time_text, int limit, std::time_t now) {
  const char* format = nullptr;
  if (time_type == V_ASN1_UTCTIME) {
    format = "%y%m%d%H%M%S";
  } else if (time_type == V_ASN1_GENERALIZEDTIME) {
    format = "%Y%m%d%H%M%S";
  } else {
    return CheckResult::failure("Unexpected ASN.1 time type: " + std::to_string(time_type));
  }
  std::tm expiry = {};
  if (strptime(time_text.c_str(), format, &expiry) == nullptr) {
    return CheckResult::failure("Unreadable expiry time in certificate for " + subject);
  }
  // A two-digit year from 50 on is of the 1900s (UTCTime ends with 2049).
  if (time_type == V_ASN1_UTCTIME && expiry.tm_year >= 150) expiry.tm_year -= 100;

  std::tm utc = expiry;
  const int days = static_cast<int>(std::difftime(timegm(&utc), now) / 3600.0 / 24.0);
  char date[64];
  std::strftime(date, sizeof(date), "%F %T", &expiry);
  if (days < 0)
    return CheckResult::verdict(false, "Certificate for " + subject + " is expired " + date);
  if (days < limit) {
    return CheckResult::verdict(false, "Certificate for " + subject + " will expire in " +
                                           std::to_string(days) + "days. Valid to " + date);
  }
  return CheckResult::verdict(true, "Certificate for " + subject + " is valid to " + date);
}

}  // namespace checks
