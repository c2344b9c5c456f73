#include "settings/settings.h"

#include <gtest/gtest.h>

#include <boost/property_tree/ptree.hpp>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

Settings load(const std::string& ini) { return Settings::load(TempDir().write("quor.ini", ini)); }

// The value of one key of the [agent] section as read, in text.
std::string agent(const std::string& key, const std::string& line) {
  const Settings s = load("[agent]\n" + line + "\n[password]\nu=p\n");
  std::string listen, checks;
  for (const std::string& address : s.listen) listen += address + "|";
  for (const std::string& id : *s.checks) checks += id + "|";
  // clang-format off
  const std::map<std::string, std::string> values = {
      {"port", std::to_string(s.port)}, {"log", s.log}, {"loglevel", std::to_string(s.loglevel)},
      {"daemonize", s.daemonize ? "yes" : "no"}, {"keyFolder", s.keyFolder}, {"rsaKey", s.rsaKey},
      {"dsaKey", s.dsaKey}, {"ecdsaKey", s.ecdsaKey}, {"ed25519Key", s.ed25519Key},
      {"listen", listen}, {"checks", checks}, {"timeout", std::to_string(s.timeout)},
      {"maxSessions", std::to_string(s.maxSessions)}, {"authPenalty", std::to_string(s.authPenalty)},
      {"loginGraceTime", std::to_string(s.loginGraceTime)},
      {"maxAuthFailures", std::to_string(s.maxAuthFailures)}};
  // clang-format on
  return values.at(key);
}

// Each key of [agent] set, set to what cannot be used, and absent.
TEST(Settings, AgentKeys) {
  const struct {
    const char* line;
    const char* value;
    const char* unusable;
    const char* fallback;
    const char* absent;
  } rows[] = {
      {"port = 2222", "2222", "port = 80x", "20012", "20012"},
      {"log = /var/log/q.log", "/var/log/q.log", "", "", ""},
      {"loglevel = Trace", "5", "loglevel = debug", "1", "1"},
      {"loglevel =", "0", "", "", "1"},
      {"daemonize = true", "yes", "daemonize = yes", "no", "no"},
      {"daemonize = 1", "yes", "", "", "no"},
      {"keyFolder = /etc/quor2", "/etc/quor2", "", "", ""},
      {"rsaKey = rsa", "rsa", "", "", "ssh_host_rsa_key"},
      {"dsaKey = dsa", "dsa", "", "", "ssh_host_dsa_key"},
      {"ecdsaKey = ec", "ec", "", "", "ssh_host_ecdsa_key"},
      {"ed25519Key = ed", "ed", "", "", "ssh_host_ed25519_key"},
      {"listen = 127.0.0.1 , ::1", "127.0.0.1|::1|", "listen =", "0.0.0.0|", "0.0.0.0|"},
      {"checks = CPU , RAM,Swap", "CPU|RAM|Swap|", "", "", ""},
      {"checks = ,CPU,CPU,", "|CPU|", "", "", ""},
      {"timeout = 5", "5", "timeout = 0", "10", "10"},
      {"maxSessions = 5", "5", "maxsessions = 5", "64", "64"},  // keys are case-sensitive
      {"maxSessions = 1", "1", "maxSessions = 0", "64", "64"},
      {"loginGraceTime = 15", "15", "loginGraceTime = 10s", "30", "30"},
      {"maxAuthFailures = 0", "0", "maxAuthFailures = -1", "10", "10"},
      {"authPenalty = 5", "5", "authPenalty = 0", "60", "60"},
  };
  for (const auto& c : rows) {
    const std::string line = c.line;
    const std::string key = line.substr(0, line.find(' '));
    EXPECT_EQ(agent(key, line), c.value) << line;
    if (*c.unusable) {
      EXPECT_EQ(agent(key, c.unusable), c.fallback) << c.unusable;
    }
    EXPECT_EQ(agent(key, ""), c.absent) << key;
  }
  EXPECT_EQ(*load("[password]\na = x = y\nb =\n").users, (UserMap{{"a", "x = y"}, {"b", ""}}));
}

// A user's line holds one or several ranges; a line with any range of
// neither form is refused whole.
TEST(Settings, FirewallLines) {
  const testing_support::LogCapture capture(logger::Logger::Error);
  const Settings settings = load(
      "[password]\nu=p\n[firewall]\nv4 = 10.0.0.1 - 10.0.0.9\nv6 = fe80::1-fe80::ff\n"
      "open = - 10.0.0.9\nsingle = 10.0.0.5\nmixed = 10.0.0.1 - fe80::1\n"
      "three = 10.0.0.1 - 10.0.0.2 - 10.0.0.3\n"
      "several = 10.0.0.1 - 10.0.0.2, 127.0.0.1/32 ,::1/128\nonebad = 10.0.0.0/8, 10.0.0.0/33\n"
      "empty =\n");
  std::string ranges;
  for (const auto& entry : *settings.firewall) {
    for (const auto& range : entry.second) ranges += entry.first + ": " + range.text() + "|";
  }
  EXPECT_EQ(ranges,
            "open:  - 10.0.0.9|several: 10.0.0.1 - 10.0.0.2|several: 127.0.0.1/32|"
            "several: ::1/128|v4: 10.0.0.1 - 10.0.0.9|v6: fe80::1 - fe80::ff|");
  std::vector<std::string> refused;
  for (const char* user : {"single", "mixed", "three", "onebad", "empty"}) {
    refused.push_back(std::string("Error: Incorrect firewall record for user ") + user);
  }
  EXPECT_EQ(capture.messages(), refused);
}

TEST(Settings, UnreadableFilesThrowOrExitWith255) {
  EXPECT_THROW(load("[password]\nu=p\nu=q\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(load("[password\nu=p\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(Settings::load("/nonexistent/quor.ini"), boost::property_tree::ptree_error);
  const TempDir dir;
  const std::string path = dir.write("quor.ini", "[agent]\nport=1\n");
  logger::Logger::current_logger->level = logger::Logger::Warn;
  EXPECT_EXIT(Settings{path}, ::testing::ExitedWithCode(255), "Error parsing ini file: ");
  logger::Logger::current_logger->level = 0;
}

}  // namespace
