// Self-signed certificates with their keys, made with OpenSSL for the TLS
// servers of the tests. The subject is "/CN=quor2 test".
#ifndef QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_
#define QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_

#include <string>

namespace testing_support {

struct CertificateOptions {
  long expires_in_seconds = 365L * 86400;  // negative: expired
  bool generalized_time = false;           // else UTCTime (1950 to 2049 only)
  std::string raw_not_after;               // when set, the UTCTime text as is
};

struct TestCertificate {
  std::string certificate_pem;
  std::string key_pem;
  std::string subject;      // one-line form: "/CN=quor2 test"
  std::string expiry_text;  // "YYYY-MM-DD hh:mm:ss" (UTC), unless a raw text was given
};

// Throws std::runtime_error when OpenSSL fails.
TestCertificate make_certificate(const CertificateOptions& options = {});

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_TEST_CERTIFICATE_H_
