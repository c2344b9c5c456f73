// The check "URL": fetches an HTTP or HTTPS URL with one GET and is up when
// the status code is the expected one and, for a text response, the body
// holds a given text. Built per request; used by one thread.
//
// The whole exchange is bounded by the agent's time bound; on expiry the
// check fails with "Timed out after N s" and its connection is closed.
#ifndef QUOR2_CHECKS_URL_CHECK_H_
#define QUOR2_CHECKS_URL_CHECK_H_

#include <string>

#include "checks/check_base.h"

namespace checks {

extern const std::string urlcheck_error_string;

class UrlCheck : public CheckBase {
 public:
  // The request parts of a URL.
  struct Target {
    bool https = false;
    std::string host;  // an IPv6 literal without brackets
    std::string port;
    std::string path;
  };

  UrlCheck(bool for_params, const utils::Env& env);
  ~UrlCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // Takes a URL apart: scheme before the first "://" (only "https", in any
  // case, means TLS), host and port up to the first "/" (as HostPort reads
  // them; port "80", or "443" for https), path from that "/" on ("/").
  // Throws std::runtime_error when host and port do not read.
  static Target parse_url(const std::string& url);

 private:
  CheckResult fetch(const std::map<std::string, std::string>& params) const;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_URL_CHECK_H_
