// Self-signed certificates with their keys, made with OpenSSL for the TLS
// servers of the tests.
#ifndef QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_
#define QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_

#include <ctime>
#include <string>

namespace testing_support {

struct CertificateSpec {
  long expires_in_seconds = 365L * 86400;  // negative: expired
  bool generalized_time = false;           // else UTCTime (1950 to 2049 only)
  std::string raw_not_after;               // when set, the UTCTime text as is
  std::string common_name = "quor2 test";
};

struct TestCertificate {
  std::string certificate_pem;
  std::string key_pem;
  std::string subject;      // one-line form: "/CN=quor2 test"
  std::time_t not_after;    // unless a raw text was given
  std::string expiry_text;  // not_after as "YYYY-MM-DD hh:mm:ss" (UTC)
};

// Throws std::runtime_error when OpenSSL fails.
TestCertificate make_certificate(const CertificateSpec& spec = {});

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_
