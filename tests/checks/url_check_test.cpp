// The URL and certificate checks, against the loopback servers of
// tests/support/net_servers.py (which tells how each port answers).
#include "checks/url_check.h"

#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "checks/certificate_check.h"
#include "support/agent_process.h"
#include "support/check_outcome.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

using testing_support::outcome;

struct Servers {
  Servers() {
    EXPECT_TRUE(process.wait_for_output("\n", 30)) << process.output();
    std::istringstream(process.output()).ignore(6) >> http >> https >> expired >> banner >> silent;
  }
  const testing_support::TempDir dir;
  const testing_support::AgentProcess process{
      {QUOR2_FIXTURES "/../support/net_servers.py", QUOR2_FIXTURES "/certificates"},
      dir.path() + "/servers.log",
      "/usr/bin/python3"};
  int http = 0, https = 0, expired = 0, banner = 0, silent = 0;
};

const Servers& servers() {  // started once, on first use
  static const Servers started;
  return started;
}

std::string url_check(const std::map<std::string, std::string>& params, int timeout = 10) {
  testing_support::FakeEnv env(timeout);
  return outcome(checks::UrlCheck(false, env).execute(params));
}

// The certificate check's days and dates are those of UTC in any time zone.
const bool far_east = (setenv("TZ", "<+14>-14", 1), tzset(), true);

std::string certificate_check(const std::string& host, const char* limit, int timeout = 10) {
  std::map<std::string, std::string> params{{"Remaining limit [days]", limit}};
  if (!host.empty()) params["Host name"] = host;
  testing_support::FakeEnv env(timeout);
  const std::string result = outcome(checks::CertificateCheck(false, env).execute(params));
  return std::regex_replace(result, std::regex("in \\d+days"), "in Ndays");
}

// A URL whose path asks for `reply`.
std::string url(int port, const std::string& reply = "", const char* how = "/r/",
                const char* scheme_and_host = "http://127.0.0.1") {
  std::string path = how;
  char hex[4];
  for (const unsigned char c : reply) path += (std::snprintf(hex, sizeof(hex), "%%%02X", c), hex);
  return scheme_and_host + (":" + std::to_string(port)) + path;
}

TEST(UrlCheck, Responses) {
  const auto http = [](const std::string& reply) { return url(servers().http, reply); };
  const std::string page =
      "HTTP/1.1 200 OK\r\nContent-Type: TEXT/HTML; charset=utf-8\r\n\r\n"
      "<html><body>\r\nGreetings world\r\nHel\r\nlo\r\n</body></html>\r\n";
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing_support::free_port());
  const std::string not_found = "DOWN: 200 OK Text not found ";
  const struct {
    std::string url;
    std::string expected;
    const char* text_to_find = "";
    const char* status = nullptr;  // when given
  } table[] = {
      {http("HTTP/1.1 200 OK\r\n\r\n").substr(7), "UP: 200 OK"},  // no scheme
      {http("HTTP/1.0 404 Not Found\r\n\r\n"), "UP: 404 Not Found", "", "404"},
      {http("HTTP/1.0 404 Not Found\r\n\r\n"), "DOWN: 404 Not Found"},
      {http("HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n"), "DOWN: 301 Moved", "", "0"},
      {"ftp" + http("HTTP/1.1 200\r\n\r\n").substr(4), "UP: 200 "},
      {http("HTTP/1.1 200 A#B \"C\"\r\n\r\n"), "UP: 200 A{35}B {34}C{34}"},
      {http(page), "UP: 200 OK", "Greetings world"},
      {http(page), not_found, "greetings world"},
      {http("HTTP/1.1 200 OK\r\nContent-Type: a/vnd.context\r\n\r\nx"), not_found, "y"},
      {http("HTTP/1.1 200 OK\r\nX-Note: content-type: text\r\n\r\nx"), "UP: 200 OK", "y"},
      // Certificates are not judged; a TLS cut after the body still ends the body.
      {url(servers().expired, page, "/c/", "HTTPS://127.0.0.1"), "UP: 200 OK", "Greetings"},
      {url(servers().https, page, "/r/", "https://localhost"), not_found, "Hello"},
      {url(servers().banner), "ERROR: Invalid response"},
      {http("HTTP/1.0 200 OK\r\nServer: x\r\n"), "ERROR: End of file"},
      {url(servers().http, "", "/big"), "ERROR: Element not found"},  // over 1 MiB
      {url(servers().banner, "", "/", "https://127.0.0.1"), "ERROR: wrong version number"},
      {refused, "ERROR: Connection refused"},
      {"http://nohost.invalid/", "ERROR: Host not found (authoritative)"},
      {"http://127.0.0.1/\r\nX-Injected: 1", "ERROR: Invalid URL"},
      {"", "ERROR: Required parameter expected"},
      {refused, "ERROR: Unexpected exception", "", ""},
  };
  testing_support::LogCapture capture(logger::Logger::Error);
  for (const auto& c : table) {
    std::map<std::string, std::string> params{{"Text to find", c.text_to_find}};
    if (!c.url.empty()) params["URL"] = c.url;
    if (c.status != nullptr) params["Status"] = c.status;
    EXPECT_EQ(url_check(params), c.expected) << c.url;
  }
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{
                "Error: Invalid response", "Error: Read headers failed: End of file",
                "Error: Read status failed: Element not found",
                "Error: Handshake failed: wrong version number",
                "Error: Connect failed: Connection refused",
                "Error: Resolve failed: Host not found (authoritative)", "Error: Invalid URL",
                "Error: URL check Error: URL parameter missing.",
                "Error: Required parameter expected", "Error: Unexpected exception"}));
}

// The subject "/CN=a#b" reaches the record escaped.
TEST(CertificateCheck, Judge) {
  const std::time_t expiry = 1907742600;  // 2030-06-15 08:30:00 UTC
  const struct {
    const char* text;
    int limit;
    std::time_t now;
    const char* expected;  // after "Certificate for /CN=a{35}b "
  } table[] = {
      // Expired less than a day ago: 0 days left.
      {"300615083000Z", 0, expiry + 23 * 3600, "UP: is valid to 2030-06-15 08:30:00"},
      {"300615083000Z", 1, expiry + 23 * 3600,
       "DOWN: will expire in 0days. Valid to 2030-06-15 08:30:00"},
      {"500101000000Z", 0, expiry, "DOWN: is expired 1950-01-01 00:00:00"},  // 1950 to 2049
      {"not a time", 0, expiry, "ERROR: Unreadable expiry time in certificate for /CN=a{35}b"},
  };
  ASSERT_TRUE(far_east);
  for (const auto& c : table) {
    const std::string got =
        outcome(checks::CertificateCheck::judge("/CN=a#b", V_ASN1_UTCTIME, c.text, c.limit, c.now));
    EXPECT_EQ(std::regex_replace(got, std::regex("Certificate for /CN=a\\{35\\}b "), ""),
              c.expected);
  }
  EXPECT_EQ(outcome(checks::CertificateCheck::judge("", V_ASN1_OCTET_STRING, "", 0, 0)),
            "ERROR: Unexpected ASN.1 time type: 4");
}

// The served certificates are self-signed: judged, never refused. A client
// that names "localhost" (SNI) gets another one.
TEST(CertificateCheck, ServedCertificates) {
  const std::string https = ":" + std::to_string(servers().https),
                    quor2 = "Certificate for /CN=quor2 test ";
  const std::string local = "127.0.0.1:", valid = "2049-12-31 23:59:59";
  const struct {
    std::string host;
    const char* limit;
    std::string expected;
  } table[] = {
      {"127.0.0.1" + https, "30", "UP: " + quor2 + "is valid to " + valid},
      {"127.0.0.1" + https, "100000", "DOWN: " + quor2 + "will expire in Ndays. Valid to " + valid},
      {"https://localhost" + https + "/x", "30",
       "UP: Certificate for /CN=localhost is valid to 2050-06-15 08:30:00"},
      {local + std::to_string(servers().expired), "1",
       "DOWN: " + quor2 + "is expired 2020-02-01 08:30:00"},
      {local + std::to_string(servers().banner), "1", "ERROR: wrong version number"},
      {local + std::to_string(testing_support::free_port()), "1", "ERROR: Connection refused"},
      {"nohost.invalid", "1", "ERROR: Host not found (authoritative)"},
      {"", "1", "ERROR: Required parameter expected"},
      {local, "many", "ERROR: Unexpected exception"},
  };
  testing_support::LogCapture capture(logger::Logger::Error);
  for (const auto& c : table) EXPECT_EQ(certificate_check(c.host, c.limit), c.expected) << c.host;
  EXPECT_EQ(
      capture.messages(),
      (std::vector<std::string>{
          "Error: Handshake failed: wrong version number",
          "Error: Connect failed: Connection refused", "Error: Host not found (authoritative)",
          "Error: Certificate check Error: Host name parameter missing.",
          "Error: Required parameter expected", "Error: Unexpected exception"}));
}

// Both checks give up on a server that never answers, and hang up.
TEST(NetworkChecks, SilentServerTimesOutAndIsLeft) {
  const std::string silent = "127.0.0.1:" + std::to_string(servers().silent);
  EXPECT_EQ(url_check({{"URL", "http://" + silent}}, 1), "ERROR: Timed out after 1 s");
  EXPECT_EQ(certificate_check(silent, "1", 1), "ERROR: Timed out after 1 s");
  EXPECT_TRUE(testing_support::wait_until(30, [] {
    const std::string log = servers().process.output();
    return log.find("closed") != log.rfind("closed");  // twice
  }));
}

}  // namespace
