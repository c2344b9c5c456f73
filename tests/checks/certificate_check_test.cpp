#include "checks/certificate_check.h"

#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include <cstdlib>

#include "ssl/client.h"
#include "support/agent_process.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/loopback_server.h"
#include "support/test_certificate.h"

namespace {

using checks::CertificateCheck;
using checks::CheckResult;
using testing_support::CertificateOptions;
using testing_support::LoopbackServer;
using testing_support::ServerBehaviour;
using testing_support::TestCertificate;
using Params = std::map<std::string, std::string>;

TEST(CertificateCheck, ParseHost) {
  const std::pair<std::string, std::string> table[] = {
      {"server1", "server1 443"},
      {"server1:81", "server1 81"},
      {"https://server1:81/x", "server1 81"},
      {"http://server1/x", "server1 443"},
      {"server1/x:82", "server1 443"},
  };
  for (const auto& c : table) {
    const auto target = CertificateCheck::parse_host(c.first);
    EXPECT_EQ(target.first + " " + target.second, c.second);
  }
}

// 2030-06-15 08:30:00 UTC.
const std::time_t expiry = 1907742600;

// The verdict as "up: ", "down: " or "error: " and its message, without the
// "Certificate for /CN=a{35}b " of the subject "/CN=a#b". The day count is
// the same in every time zone.
TEST(SslClient, Judge) {
  const long day = 86400;
  const int utc = V_ASN1_UTCTIME;
  const int general = V_ASN1_GENERALIZEDTIME;
  const struct {
    int type;
    const char* text;
    int limit;
    std::time_t now;
    const char* expected;
  } table[] = {
      {general, "20300615083000Z", 30, expiry - 10 * day - 5 * 3600,
       "down: will expire in 10days. Valid to 2030-06-15 08:30:00"},
      {utc, "300615083000Z", 10, expiry - 10 * day, "up: is valid to 2030-06-15 08:30:00"},
      // Expired less than a day ago: 0 days left.
      {utc, "300615083000Z", 0, expiry + 23 * 3600, "up: is valid to 2030-06-15 08:30:00"},
      {utc, "300615083000Z", 1, expiry + 23 * 3600,
       "down: will expire in 0days. Valid to 2030-06-15 08:30:00"},
      {utc, "300615083000Z", 0, expiry + day + 1, "down: is expired 2030-06-15 08:30:00"},
      // UTCTime years from 50 on are of the 1900s.
      {utc, "500101000000Z", 0, expiry, "down: is expired 1950-01-01 00:00:00"},
      {general, "20500101000000Z", 0, expiry, "up: is valid to 2050-01-01 00:00:00"},
      {V_ASN1_OCTET_STRING, "300615083000Z", 0, expiry, "error: Unexpected ASN.1 time type: 4"},
      {utc, "not a time", 0, expiry, "error: Unreadable expiry time in certificate for /CN=a{35}b"},
  };
  const char* const saved = std::getenv("TZ");
  const std::string previous = saved != nullptr ? saved : "";
  for (const char* zone : {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "<+14>-14"}) {
    setenv("TZ", zone, 1);
    tzset();
    for (const auto& c : table) {
      const CheckResult verdict =
          CertificateCheck::judge("/CN=a#b", c.type, c.text, c.limit, c.now);
      std::string message = verdict.executed ? verdict.result_string : verdict.error_message;
      const std::string subject = "Certificate for /CN=a{35}b ";
      if (message.rfind(subject, 0) == 0) message.erase(0, subject.size());
      EXPECT_EQ((!verdict.executed ? "error: "
                 : verdict.up      ? "up: "
                                   : "down: ") +
                    message,
                c.expected)
          << zone;
    }
  }
  if (saved != nullptr) {
    setenv("TZ", previous.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

CheckResult run(const Params& params, int timeout_seconds = 10) {
  testing_support::FakeEnv env(timeout_seconds);
  return CertificateCheck(false, env).execute(params);
}

Params target(const std::string& host, const std::string& limit = "1") {
  return {{"Host name", host}, {"Remaining limit [days]", limit}};
}

std::string local(const LoopbackServer& server) {
  return "127.0.0.1:" + std::to_string(server.port());
}

// The verdict and result text, or the failure, for each certificate served.
TEST(CertificateCheck, ServedCertificates) {
  const long day = 86400;
  const struct {
    CertificateOptions options;
    const char* expected;  // followed by the expiry date, when there is one
  } table[] = {
      {{3650 * day, false, ""}, "up: Certificate for /CN=quor2 test is valid to "},
      {{10 * day + 5 * 3600, true, ""},
       "down: Certificate for /CN=quor2 test will expire in 10days. Valid to "},
      {{-3 * day, false, ""}, "down: Certificate for /CN=quor2 test is expired "},
      {{0, false, "2O3OO615O83OOOZ"},
       "failure: Unreadable expiry time in certificate for /CN=quor2 test"},
  };
  for (const auto& c : table) {
    const TestCertificate cert = testing_support::make_certificate(c.options);
    ServerBehaviour behaviour;
    behaviour.certificate = &cert;
    LoopbackServer server(behaviour);
    const CheckResult result = run(target(local(server), "30"));
    EXPECT_EQ(result.executed ? (result.up ? "up: " : "down: ") + result.result_string
                              : "failure: " + result.error_message,
              c.expected + (c.options.raw_not_after.empty() ? cert.expiry_text : ""));
  }
}

TEST(CertificateCheck, HostNameForms) {
  const TestCertificate cert = testing_support::make_certificate();
  ServerBehaviour behaviour;
  behaviour.certificate = &cert;
  LoopbackServer server(behaviour);
  const std::string port = std::to_string(server.port());
  const struct {
    std::string value;
    const char* server_name;
  } table[] = {
      {"localhost:" + port, "localhost"},
      {"127.0.0.1:" + port, ""},
      {"http://localhost:" + port + "/x", "localhost"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.value);
    testing_support::LogCapture capture(logger::Logger::Debug);
    const CheckResult result = run(target(c.value, "5"));
    EXPECT_TRUE(result.up) << result.error_message;
    EXPECT_EQ(server.last_server_name(), c.server_name);
    EXPECT_TRUE(
        capture.contains("Debug: Checking if certificate for " + c.value + " is valid for 5 days"));
  }
}

TEST(CertificateCheck, FailuresAndTheirLog) {
  LoopbackServer not_tls({"SSH-2.0-OpenSSH_9.2p1\r\n", false});
  const std::string refused = std::to_string(testing_support::free_port());
  const struct {
    Params params;
    const char* message;
  } table[] = {
      {target(local(not_tls)), "wrong version number"},
      {target("127.0.0.1:" + refused), "Connection refused"},
      {target("nohost.invalid"), "Host not found (authoritative)"},
      {{{"Remaining limit [days]", "1"}}, "Required parameter expected"},
      {target("127.0.0.1", "many"), "Unexpected exception"},
  };
  testing_support::LogCapture capture(logger::Logger::Error);
  for (const auto& c : table) {
    const CheckResult result = run(c.params);
    EXPECT_FALSE(result.executed);
    EXPECT_EQ(result.error_message, c.message);
  }
  EXPECT_EQ(
      capture.messages(),
      (std::vector<std::string>{
          "Error: Handshake failed: wrong version number",
          "Error: Connect failed: Connection refused", "Error: Host not found (authoritative)",
          "Error: Certificate check Error: Host name parameter missing.",
          "Error: Required parameter expected", "Error: Unexpected exception"}));
}

TEST(CertificateCheck, SilentServerTimesOut) {
  LoopbackServer silent({"", true, false});
  const CheckResult result = run(target(local(silent)), 1);
  EXPECT_FALSE(result.executed);
  EXPECT_EQ(result.error_message, "Timed out after 1 s");
  EXPECT_TRUE(silent.wait_for_closed(1, 30));
}

}  // namespace
