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
using testing_support::CertificateSpec;
using testing_support::LoopbackServer;
using testing_support::ServerBehaviour;
using testing_support::TestCertificate;
using Params = std::map<std::string, std::string>;

TEST(CertificateCheck, ParseHost) {
  const struct {
    const char* value;
    const char* host;
    const char* port;
  } table[] = {
      {"server1", "server1", "443"},
      {"server1:81", "server1", "81"},
      {"https://server1:81/x", "server1", "81"},
      {"http://server1/x", "server1", "443"},
      {"server1/x:82", "server1", "443"},
  };
  for (const auto& c : table) {
    EXPECT_EQ(CertificateCheck::parse_host(c.value),
              std::make_pair(std::string(c.host), std::string(c.port)))
        << c.value;
  }
}

// 2030-06-15 08:30:00 UTC.
const std::time_t expiry = 1907742600;

TEST(SslClient, Judge) {
  const long day = 86400;
  const struct {
    int type;
    const char* text;
    int limit;
    std::time_t now;
    bool valid;
    bool error;
    const char* message;
  } table[] = {
      {V_ASN1_UTCTIME, "300615083000Z", 30, expiry - 400 * day, true, false,
       "Certificate for /CN=a{35}b is valid to 2030-06-15 08:30:00"},
      {V_ASN1_GENERALIZEDTIME, "20300615083000Z", 30, expiry - 10 * day - 5 * 3600, false, false,
       "Certificate for /CN=a{35}b will expire in 10days. Valid to 2030-06-15 08:30:00"},
      {V_ASN1_UTCTIME, "300615083000Z", 10, expiry - 10 * day, true, false,
       "Certificate for /CN=a{35}b is valid to 2030-06-15 08:30:00"},
      // Expired less than a day ago: 0 days left.
      {V_ASN1_UTCTIME, "300615083000Z", 0, expiry + 23 * 3600, true, false,
       "Certificate for /CN=a{35}b is valid to 2030-06-15 08:30:00"},
      {V_ASN1_UTCTIME, "300615083000Z", 1, expiry + 23 * 3600, false, false,
       "Certificate for /CN=a{35}b will expire in 0days. Valid to 2030-06-15 08:30:00"},
      {V_ASN1_UTCTIME, "300615083000Z", 0, expiry + day + 1, false, false,
       "Certificate for /CN=a{35}b is expired 2030-06-15 08:30:00"},
      // UTCTime years from 50 on are of the 1900s.
      {V_ASN1_UTCTIME, "500101000000Z", 0, expiry, false, false,
       "Certificate for /CN=a{35}b is expired 1950-01-01 00:00:00"},
      {V_ASN1_GENERALIZEDTIME, "20500101000000Z", 0, expiry, true, false,
       "Certificate for /CN=a{35}b is valid to 2050-01-01 00:00:00"},
      {V_ASN1_OCTET_STRING, "300615083000Z", 0, expiry, false, true,
       "Unexpected ASN.1 time type: 4"},
      {V_ASN1_UTCTIME, "not a time", 0, expiry, false, true,
       "Unreadable expiry time in certificate for /CN=a{35}b"},
      {V_ASN1_GENERALIZEDTIME, "", 0, expiry, false, true,
       "Unreadable expiry time in certificate for /CN=a{35}b"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.message);
    const ssl::client::Verdict verdict =
        ssl::client::judge("/CN=a#b", c.type, c.text, c.limit, c.now);
    EXPECT_EQ(verdict.valid, c.valid);
    EXPECT_EQ(verdict.error, c.error);
    EXPECT_EQ(verdict.message, c.message);
  }
}

TEST(SslClient, DayCountDoesNotDependOnTheTimeZone) {
  const char* const saved = std::getenv("TZ");
  const std::string previous = saved != nullptr ? saved : "";
  for (const char* zone : {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "<+14>-14"}) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(
        ssl::client::judge("/CN=x", V_ASN1_UTCTIME, "300615083000Z", 11, expiry - 10 * 86400 - 3600)
            .message,
        "Certificate for /CN=x will expire in 10days. Valid to 2030-06-15 08:30:00")
        << zone;
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

TestCertificate certificate(long expires_in_seconds, bool generalized_time) {
  CertificateSpec spec;
  spec.expires_in_seconds = expires_in_seconds;
  spec.generalized_time = generalized_time;
  return testing_support::make_certificate(spec);
}

TEST(CertificateCheck, ServedCertificates) {
  const long day = 86400;
  const struct {
    TestCertificate cert;
    const char* limit;
    bool up;
    std::string text;
  } table[] = {
      {certificate(3650 * day, false), "30", true, " is valid to "},
      {certificate(3650 * day, true), "30", true, " is valid to "},
      {certificate(10 * day + 5 * 3600, true), "30", false, " will expire in 10days. Valid to "},
      {certificate(-3 * day, false), "30", false, " is expired "},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.text);
    ServerBehaviour behaviour;
    behaviour.certificate = &c.cert;
    LoopbackServer server(behaviour);
    const CheckResult result = run({{"Host name", "127.0.0.1:" + std::to_string(server.port())},
                                    {"Remaining limit [days]", c.limit}});
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string,
              "Certificate for " + c.cert.subject + c.text + c.cert.expiry_text);
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
      {"https://127.0.0.1:" + port + "/path", ""},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.value);
    testing_support::LogCapture capture(logger::Logger::Debug);
    const CheckResult result = run({{"Host name", c.value}, {"Remaining limit [days]", "5"}});
    EXPECT_TRUE(result.up) << result.error_message;
    EXPECT_EQ(server.last_server_name(), c.server_name);
    EXPECT_TRUE(
        capture.contains("Debug: Checking if certificate for " + c.value + " is valid for 5 days"));
  }
}

TEST(CertificateCheck, UnreadableExpiryTime) {
  CertificateSpec spec;
  spec.raw_not_after = "2O3OO615O83OOOZ";
  const TestCertificate cert = testing_support::make_certificate(spec);
  ServerBehaviour behaviour;
  behaviour.certificate = &cert;
  LoopbackServer server(behaviour);
  const CheckResult result = run({{"Host name", "127.0.0.1:" + std::to_string(server.port())},
                                  {"Remaining limit [days]", "1"}});
  EXPECT_FALSE(result.executed);
  EXPECT_EQ(result.error_message, "Unreadable expiry time in certificate for /CN=quor2 test");
}

TEST(CertificateCheck, Failures) {
  LoopbackServer not_tls({"SSH-2.0-OpenSSH_9.2p1\r\n", false});
  const std::string refused = std::to_string(testing_support::free_port());
  const struct {
    Params params;
    const char* message;
  } table[] = {
      {{{"Host name", "127.0.0.1:" + std::to_string(not_tls.port())},
        {"Remaining limit [days]", "1"}},
       "wrong version number"},
      {{{"Host name", "127.0.0.1:" + refused}, {"Remaining limit [days]", "1"}},
       "Connection refused"},
      {{{"Host name", "nohost.invalid"}, {"Remaining limit [days]", "1"}},
       "Host not found (authoritative)"},
      {{{"Remaining limit [days]", "1"}}, "Required parameter expected"},
      {{{"Host name", "127.0.0.1"}}, "Required parameter expected"},
      {{{"Host name", "127.0.0.1"}, {"Remaining limit [days]", "many"}}, "Unexpected exception"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.message);
    const CheckResult result = run(c.params);
    EXPECT_FALSE(result.executed);
    EXPECT_FALSE(result.up);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, c.message);
  }
}

TEST(CertificateCheck, FailuresAreLogged) {
  testing_support::LogCapture capture(logger::Logger::Error);
  run({{"Host name", "127.0.0.1:" + std::to_string(testing_support::free_port())},
       {"Remaining limit [days]", "1"}});
  run({{"Host name", "nohost.invalid"}, {"Remaining limit [days]", "1"}});
  run({{"Remaining limit [days]", "1"}});
  EXPECT_EQ(capture.messages(), (std::vector<std::string>{
                                    "Error: Connect failed: Connection refused",
                                    "Error: Host not found (authoritative)",
                                    "Error: Certificate check Error: Host name parameter missing.",
                                    "Error: Required parameter expected"}));
}

TEST(CertificateCheck, SilentServerTimesOut) {
  LoopbackServer silent({"", true, false});
  const CheckResult result = run({{"Host name", "127.0.0.1:" + std::to_string(silent.port())},
                                  {"Remaining limit [days]", "1"}},
                                 1);
  EXPECT_FALSE(result.executed);
  EXPECT_EQ(result.error_message, "Timed out after 1 s");
  EXPECT_TRUE(silent.wait_for_closed(1, 30));
}

TEST(CertificateCheck, Definition) {
  CertificateCheck check(true, utils::Env::standard());
  EXPECT_EQ(check.get_description(), "Certificate validity test");
  EXPECT_EQ(check.get_params_definition(),
            "#paramname1=Host name#paramtype1=text#maxlength1=100#"
            "paramname2=Remaining limit [days]#paramtype2=longinteger#maxlength2=1000#");
}

}  // namespace
