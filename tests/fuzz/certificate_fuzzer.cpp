// The certificate check's reading of a certificate's expiry time and subject.
// The input is lines: the ASN.1 time type (23 UTCTime, 24 GeneralizedTime),
// the time text, the limit in days, the current time in seconds since 1970,
// and the subject (the rest). The current time is kept within the years
// that a certificate's time can name, as the system clock is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>

#include "checks/certificate_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::string type, time_text, limit, now, subject;
  std::getline(in, type);
  std::getline(in, time_text);
  std::getline(in, limit);
  std::getline(in, now);
  std::getline(in, subject, '\0');
  const long long last_second_of_9999 = 253402300799;
  const std::time_t seconds = static_cast<std::time_t>(
      std::llabs(std::strtoll(now.c_str(), nullptr, 10) % last_second_of_9999));
  const checks::CheckResult verdict = checks::CertificateCheck::judge(
      subject, static_cast<int>(std::strtol(type.c_str(), nullptr, 10)), time_text,
      static_cast<int>(std::strtol(limit.c_str(), nullptr, 10)), seconds);
  // The subject reaches the response record: it must not carry a field end.
  const std::string text = verdict.result_string + verdict.error_message;
  if (text.find_first_of("#\"") != std::string::npos) std::abort();
  return 0;
}
