// The check "Certificate": reads the expiry time of a TLS server's
// certificate during a handshake and is up while at least a given number of
// days of validity remain. Built per request; used by one thread.
//
// The whole check (resolution, connect, handshake) is bounded by the agent's
// time bound; on expiry it fails with "Timed out after N s".
#ifndef QUOR2_CHECKS_CERTIFICATE_CHECK_H_
#define QUOR2_CHECKS_CERTIFICATE_CHECK_H_

#include <ctime>
#include <string>

#include "checks/check_base.h"
#include "utils/host_port.h"

namespace checks {

extern const std::string certcheck_error_string;

class CertificateCheck : public CheckBase {
 public:
  CertificateCheck(bool for_params, const utils::Env& env);
  ~CertificateCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // Host and port of a "Host name" value: an authority as HostPort reads
  // it, alone or in scheme://authority/path (any scheme); the port is "443"
  // unless given. Throws std::runtime_error when the authority does not read.
  static utils::HostPort parse_host(const std::string& value);

  // The verdict at `now` on a certificate of `subject` whose expiry time has
  // the ASN.1 type `time_type` (UTCTime 23, GeneralizedTime 24) and the text
  // `time_text`: up while at least `limit_days` remain. The time is UTC; the
  // date in the text is the certificate's own. An expiry time that does not
  // read is a failure.
  static CheckResult judge(const std::string& subject, int time_type, const std::string& time_text,
                           int limit_days, std::time_t now);

 private:
  CheckResult inspect(const std::map<std::string, std::string>& params) const;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CERTIFICATE_CHECK_H_
