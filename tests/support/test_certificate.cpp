#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>

namespace testing_support {

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
template <class T, void (*Free)(T*)>
using Owner = std::unique_ptr<T, Deleter<T, Free>>;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("OpenSSL failed: ") + what);
}

std::string pem_of(const std::function<int(BIO*)>& write) {
  const Owner<BIO, BIO_free_all> bio(BIO_new(BIO_s_mem()));
  check(bio && write(bio.get()) == 1, "PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

TestCertificate make_certificate(const CertificateOptions& options) {
  const Owner<EVP_PKEY, EVP_PKEY_free> key(EVP_EC_gen("P-256"));
  const Owner<X509, X509_free> cert(X509_new());
  check(key && cert && X509_set_version(cert.get(), 2) == 1, "certificate");
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -30L * 86400) != nullptr, "notBefore");

  const std::time_t not_after = std::time(nullptr) + options.expires_in_seconds;
  Owner<ASN1_TIME, ASN1_TIME_free> time;
  if (!options.raw_not_after.empty()) {
    time.reset(ASN1_UTCTIME_new());
    check(time && ASN1_STRING_set(time.get(), options.raw_not_after.data(),
                                  static_cast<int>(options.raw_not_after.size())) == 1,
          "raw notAfter");
  } else if (options.generalized_time) {
    time.reset(ASN1_GENERALIZEDTIME_set(nullptr, not_after));
  } else {
    time.reset(ASN1_UTCTIME_set(nullptr, not_after));
  }
  check(time && X509_set1_notAfter(cert.get(), time.get()) == 1, "notAfter");

  X509_NAME* name = X509_get_subject_name(cert.get());
  check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("quor2 test"), -1, -1,
                                   0) == 1 &&
            X509_set_issuer_name(cert.get(), name) == 1 &&
            X509_set_pubkey(cert.get(), key.get()) == 1 &&
            X509_sign(cert.get(), key.get(), EVP_sha256()) > 0,
        "subject, key or signature");

  TestCertificate made;
  char text[256];
  made.subject = X509_NAME_oneline(name, text, sizeof(text));
  std::tm utc;
  std::strftime(text, sizeof(text), "%F %T", gmtime_r(&not_after, &utc));
  made.expiry_text = text;
  made.certificate_pem = pem_of([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
  made.key_pem = pem_of([&](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  });
  return made;
}

}  // namespace testing_support
