#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace testing_support {

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using TimePtr = std::unique_ptr<ASN1_TIME, Deleter<ASN1_TIME, ASN1_TIME_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("OpenSSL failed: ") + what);
}

std::string pem_of(const std::function<int(BIO*)>& write) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  check(bio && write(bio.get()) == 1, "PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

TestCertificate make_certificate(const CertificateSpec& spec) {
  TestCertificate made;
  KeyPtr key(EVP_EC_gen("P-256"));
  check(key != nullptr, "key");
  X509Ptr cert(X509_new());
  check(cert && X509_set_version(cert.get(), 2) == 1, "certificate");
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -30L * 86400) != nullptr, "notBefore");

  made.not_after = std::time(nullptr) + spec.expires_in_seconds;
  TimePtr not_after;
  if (!spec.raw_not_after.empty()) {
    not_after.reset(ASN1_UTCTIME_new());
    check(not_after && ASN1_STRING_set(not_after.get(), spec.raw_not_after.data(),
                                       static_cast<int>(spec.raw_not_after.size())) == 1,
          "raw notAfter");
  } else if (spec.generalized_time) {
    not_after.reset(ASN1_GENERALIZEDTIME_set(nullptr, made.not_after));
  } else {
    not_after.reset(ASN1_UTCTIME_set(nullptr, made.not_after));
  }
  check(not_after && X509_set1_notAfter(cert.get(), not_after.get()) == 1, "notAfter");
  std::tm utc;
  gmtime_r(&made.not_after, &utc);
  char text[32];
  std::strftime(text, sizeof(text), "%F %T", &utc);
  made.expiry_text = text;

  X509_NAME* name = X509_get_subject_name(cert.get());
  check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(spec.common_name.c_str()),
                                   -1, -1, 0) == 1,
        "subject");
  check(X509_set_issuer_name(cert.get(), name) == 1, "issuer");
  check(X509_set_pubkey(cert.get(), key.get()) == 1, "public key");
  check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "signature");

  char subject[256];
  X509_NAME_oneline(name, subject, sizeof(subject));
  made.subject = subject;
  made.certificate_pem = pem_of([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
  made.key_pem = pem_of([&](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  });
  return made;
}

}  // namespace testing_support
