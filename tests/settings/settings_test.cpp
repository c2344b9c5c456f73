#include "settings/settings.h"

#include <gtest/gtest.h>

#include <boost/property_tree/ptree.hpp>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

Settings load(const std::string& ini) {
  return Settings::load(testing_support::TempDir().write("quor.ini", ini));
}

std::vector<std::string> values(const DaemonSettings& s) {
  std::vector<std::string> text = {s.log,      s.keyFolder,  s.rsaKey, s.dsaKey,
                                   s.ecdsaKey, s.ed25519Key, s.ramFree};
  for (const int n : {s.port, s.loglevel, int{s.daemonize}, s.timeout, s.maxSessions,
                      s.loginGraceTime, s.maxAuthFailures, s.authPenalty}) {
    text.push_back(std::to_string(n));
  }
  text.emplace_back();
  for (const std::string& address : s.listen) text.back() += address + ",";
  return text;
}

// Each key of [agent] set, and set to what cannot be used: the fields that
// differ from the defaults, and the check ids.
TEST(Settings, AgentKeys) {
  const char* const names[] = {
      "log",        "keyFolder",   "rsaKey",         "dsaKey",          "ecdsaKey",
      "ed25519Key", "ramFree",     "port",           "loglevel",        "daemonize",
      "timeout",    "maxSessions", "loginGraceTime", "maxAuthFailures", "authPenalty",
      "listen"};
  const std::pair<const char*, const char*> rows[] = {
      {"", ""},
      {"port = 2222\nloglevel = Trace\ndaemonize = true", "port=2222 loglevel=5 daemonize=1 "},
      {"loglevel =\ndaemonize = 1\nlisten = 127.0.0.1 , ::1",
       "loglevel=0 daemonize=1 listen=127.0.0.1,::1, "},
      {"log = /q.log\nkeyFolder = /k\nrsaKey = r", "log=/q.log keyFolder=/k rsaKey=r "},
      {"dsaKey = d\necdsaKey = e\ned25519Key = ed", "dsaKey=d ecdsaKey=e ed25519Key=ed "},
      {"timeout = 5\nmaxSessions = 5\nloginGraceTime = 15",
       "timeout=5 maxSessions=5 loginGraceTime=15 "},
      {"maxAuthFailures = 0\nauthPenalty = 5\nramFree = available",
       "ramFree=available maxAuthFailures=0 authPenalty=5 "},
      {"checks = ,CPU , RAM,CPU,", "check= check=CPU check=RAM "},
      // What cannot be used leaves the default; keys are case-sensitive.
      {"port = 80x\nloglevel = debug\ndaemonize = yes\nlisten =\nchecks =", ""},
      {"timeout = 0\nmaxSessions = 0\nmaxsessions = 5\nloginGraceTime = 10s", ""},
      {"maxAuthFailures = -1\nauthPenalty = 0\nramFree = Available", ""},
  };
  for (const auto& c : rows) {
    const Settings settings = load("[agent]\n" + std::string(c.first) + "\n[password]\nu=p\n");
    const std::vector<std::string> read = values(settings), standard = values(DaemonSettings());
    std::string changed;
    for (std::size_t i = 0; i < read.size(); ++i) {
      if (read[i] != standard[i]) changed += std::string(names[i]) + "=" + read[i] + " ";
    }
    for (const std::string& id : *settings.checks) changed += "check=" + id + " ";
    EXPECT_EQ(changed, c.second) << c.first;
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
  for (const char* user : {"single", "mixed", "onebad", "empty"}) {
    refused.push_back(std::string("Error: Incorrect firewall record for user ") + user);
  }
  EXPECT_EQ(capture.messages(), refused);
}

// Start-up reports these as "Error parsing ini file" and exits with 255.
TEST(Settings, UnreadableFilesThrow) {
  EXPECT_THROW(load("[password]\nu=p\nu=q\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(load("[password\nu=p\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(Settings::load("/nonexistent/quor.ini"), boost::property_tree::ptree_error);
}

}  // namespace
