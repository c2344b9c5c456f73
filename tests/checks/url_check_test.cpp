// The URL and certificate checks against the loopback servers of
// tests/support/net_servers.py, which tells how each port answers.
#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "checks/certificate_check.h"
#include "checks/check_factory.h"
#include "client/records.h"
#include "commands/run_check_command.h"
#include "support/agent_process.h"
#include "support/fake_env.h"
#include "support/temp_dir.h"
#include "utils/params.h"

namespace {

using testing_support::outcome;

struct Servers {
  Servers() {
    EXPECT_TRUE(process.wait_for_output("\n", 30)) << process.output();
    std::istringstream(process.output()).ignore(6) >> http >> https >> expired >> banner >>
        silent >> http6 >> https6;
  }
  const testing_support::TempDir dir;
  const testing_support::AgentProcess process{
      {QUOR2_FIXTURES "/../support/net_servers.py", QUOR2_FIXTURES "/certificates"},
      dir.path() + "/servers.log",
      "/usr/bin/python3"};
  int http = 0, https = 0, expired = 0, banner = 0, silent = 0, http6 = 0, https6 = 0;
};

const Servers& servers() {  // started once, on first use
  static const Servers started;
  return started;
}

// The certificate check's days and dates are those of UTC in any time zone.
const bool far_east = (setenv("TZ", "<+14>-14", 1), tzset(), true);

// The outcome of check `id` given the fields of `record`, as the client
// reads it from the response record; "N" for a count of days left that
// changes by the day.
std::string run(const char* id, const std::string& record, int timeout_seconds = 10) {
  const checks::CheckFactory factory({id},
                                     std::make_shared<testing_support::FakeEnv>(timeout_seconds));
  const std::string answer =
      commands::RunCheckCommand({{"checkid", id}, {"para", "\"#" + record + "#\""}}, factory)
          .execute();
  const std::string result = client::describe_run(answer).text;
  return std::regex_replace(result.substr(0, result.size() - 1), std::regex("in \\d{3,}days"),
                            "in Ndays");
}

// The field "URL=<url>" of a loopback server whose path asks for `reply`.
std::string url(int port, const std::string& reply = "", const char* how = "/r/",
                const char* scheme_and_host = "http://127.0.0.1") {
  std::string path = how;
  char hex[4];
  for (const unsigned char c : reply) path += (std::snprintf(hex, sizeof(hex), "%%%02X", c), hex);
  return "URL=" + (scheme_and_host + (":" + std::to_string(port))) + path;
}

const std::string no_host = "ERROR: Invalid host: expected host, host:port, [IPv6] or [IPv6]:port";
const std::string no_port = "ERROR: Invalid port: expected a number from 1 to 65535";

std::string host(const std::string& name, const std::string& limit) {
  return "Host name=" + name + "#Remaining limit [days]=" + limit;
}

// Each check's records and outcomes.
TEST(NetworkChecks, Outcomes) {
  const Servers& at = servers();
  const std::string page =
      "HTTP/1.1 200 OK\r\nContent-Type: TEXT/HTML; charset=utf-8\r\n\r\n"
      "<html><body>\r\nGreetings world\r\nHel\r\nlo\r\n</body></html>\r\n";
  const std::string refused = "127.0.0.1:" + std::to_string(testing_support::free_port());
  const std::string not_found = "DOWN: 200 OK Text not found ";
  const std::pair<std::string, std::string> urls[] = {
      {url(at.http, "HTTP/1.1 200 OK\r\n\r\n", "/r/", "127.0.0.1"), "UP: 200 OK"},
      {url(at.http, "HTTP/1.0 404 Not Found\r\n\r\n") + "#Status=404", "UP: 404 Not Found"},
      {url(at.http, "HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n") + "#Status=0", "DOWN: 301 Moved"},
      // Other schemes are HTTP; the reason reaches the record escaped.
      {url(at.http, "HTTP/1.1 200 A#B \"C\"\x1b[31m\rX\r\n\r\n", "/r/", "ftp://127.0.0.1"),
       "UP: 200 A{35}B {34}C{34}{27}[31m{13}X"},
      {url(at.http6, "", "/host", "http://[::1]"), "UP: 200 [::1]"},
      // clang-format off
      {"URL=http://[::1/", no_host}, {"URL=http://[127.0.0.1]/", no_host},
      {"URL=http://:80/", no_host}, {"URL=https://h:https/", no_port}, {"URL=h:0", no_port},
      // clang-format on
      {url(at.http, page) + "#Text to find=Greetings world", "UP: 200 OK"},
      {url(at.http, page) + "#Text to find=greetings world", not_found},
      // Certificates are not judged; a TLS cut after the body still ends the body.
      {url(at.expired, page, "/c/", "HTTPS://127.0.0.1") + "#Text to find=Greetings", "UP: 200 OK"},
      {url(at.https, page, "/r/", "https://localhost") + "#Text to find=Hello", not_found},
      {url(at.banner), "ERROR: Invalid response"},
      {url(at.http, "HTTP/1.0 200 OK\r\nServer: x\r\n"), "ERROR: End of file"},
      {url(at.http, "", "/big"), "ERROR: Element not found"},  // a line over 1 MiB
      {url(at.banner, "", "/", "https://127.0.0.1"), "ERROR: wrong version number"},
      {"URL=http://" + refused, "ERROR: Connection refused"},
      {"URL=http://nohost.invalid/", "ERROR: Host not found (authoritative)"},
      {"URL=http://127.0.0.1/\r\nX-Injected: 1", "ERROR: Invalid URL"},
      {"", "ERROR: Required parameter expected"},
  };
  const std::string https = "127.0.0.1:" + std::to_string(at.https), valid = "2049-12-31 23:59:59";
  const std::string quor2 = "Certificate for /CN=quor2 test ";
  // Self-signed certificates are judged, never refused; a client naming
  // "localhost" (SNI) gets another one.
  const std::pair<std::string, std::string> certificates[] = {
      {host(https, "30"), "UP: " + quor2 + "is valid to " + valid},
      {host(https, "100000"), "DOWN: " + quor2 + "will expire in Ndays. Valid to " + valid},
      {host("https://localhost:" + std::to_string(at.https) + "/x", "30"),
       "UP: Certificate for /CN=localhost is valid to 2050-06-15 08:30:00"},
      {host("127.0.0.1:" + std::to_string(at.expired), "1"),
       "DOWN: " + quor2 + "is expired 2020-02-01 08:30:00"},
      {host("127.0.0.1:" + std::to_string(at.banner), "1"), "ERROR: wrong version number"},
      {host(refused, "1"), "ERROR: Connection refused"},
      {host("nohost.invalid", "1"), "ERROR: Host not found (authoritative)"},
      {host("[::1]:" + std::to_string(at.https6), "30"), "UP: " + quor2 + "is valid to " + valid},
      // clang-format off
      {host("a:b:c", "1"), no_host}, {host("[::1]x", "1"), no_host}, {host("a b", "1"), no_host},
      // clang-format on
      {"Remaining limit [days]=1", "ERROR: Required parameter expected"},
      {host(https, "many"), "ERROR: Unexpected exception"},
  };
  for (const auto& [in, out] : urls) EXPECT_EQ(run("URL", in), out);
  for (const auto& [in, out] : certificates) EXPECT_EQ(run("Certificate", in), out);
}

// Both checks give up on a server that never answers, and hang up.
TEST(NetworkChecks, SilentServerTimesOutAndIsLeft) {
  const std::string silent = "127.0.0.1:" + std::to_string(servers().silent);
  EXPECT_EQ(run("URL", "URL=http://" + silent, 1), "ERROR: Timed out after 1 s");
  EXPECT_EQ(run("Certificate", host(silent, "1"), 1), "ERROR: Timed out after 1 s");
  EXPECT_TRUE(testing_support::wait_until(30, [] {
    const std::string log = servers().process.output();
    return log.find("silent client left") != log.rfind("silent client left");  // twice
  }));
}

TEST(CertificateCheck, Judge) {
  ASSERT_TRUE(far_east);
  const std::time_t expiry = 1907742600;  // 2030-06-15 08:30:00 UTC
  const auto judge = [](int type, const char* text, int limit, std::time_t now) {
    return outcome(checks::CertificateCheck::judge("/CN=a", type, text, limit, now));
  };
  const int utc = V_ASN1_UTCTIME;
  const std::string cn = "Certificate for /CN=a ", on = "2030-06-15 08:30:00";
  // Expired less than a day ago: 0 days left.
  EXPECT_EQ(judge(utc, "300615083000Z", 0, expiry + 23 * 3600), "UP: " + cn + "is valid to " + on);
  EXPECT_EQ(judge(utc, "300615083000Z", 1, expiry + 23 * 3600),
            "DOWN: " + cn + "will expire in 0days. Valid to " + on);
  // UTCTime years from 50 on are of the 1900s.
  EXPECT_EQ(judge(utc, "500101000000Z", 0, expiry),
            "DOWN: " + cn + "is expired 1950-01-01 00:00:00");
  EXPECT_EQ(judge(utc, "not a time", 0, expiry),
            "ERROR: Unreadable expiry time in certificate for /CN=a");
  EXPECT_EQ(judge(V_ASN1_OCTET_STRING, "", 0, 0), "ERROR: Unexpected ASN.1 time type: 4");
}

}  // namespace
