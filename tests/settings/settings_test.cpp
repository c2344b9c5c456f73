#include "settings/settings.h"

#include <gtest/gtest.h>

#include <boost/property_tree/ptree.hpp>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

using testing_support::LogCapture;
using testing_support::TempDir;

Settings load(const std::string& ini) {
  TempDir dir;
  return Settings::load(dir.write("quor.ini", ini));
}

Settings agent(const std::string& lines) {
  return load("[agent]\n" + lines + "\n[password]\nu=p\n");
}

// Each key absent, set, and set to what cannot be used.
TEST(Settings, AgentKeys) {
  using D = DaemonSettings;
  const struct {
    std::string line;
    int D::*field;
    int expected;
  } numbers[] = {
      {"", &D::port, 20012},
      {"port = 2222", &D::port, 2222},
      {"port = 80x", &D::port, 20012},
      {"", &D::loglevel, 1},
      {"loglevel = debug", &D::loglevel, 1},
      {"loglevel =", &D::loglevel, 0},
      {"loglevel = Trace", &D::loglevel, 5},
      {"", &D::timeout, 10},
      {"timeout = 0", &D::timeout, 10},
      {"", &D::maxSessions, 64},
      {"maxSessions = 0", &D::maxSessions, 64},
      {"maxsessions = 5", &D::maxSessions, 64},  // keys are case-sensitive
      {"", &D::loginGraceTime, 30},
      {"loginGraceTime = 10s", &D::loginGraceTime, 30},
      {"", &D::maxAuthFailures, 10},
      {"maxAuthFailures = 0", &D::maxAuthFailures, 0},
      {"maxAuthFailures = -1", &D::maxAuthFailures, 10},
      {"", &D::authPenalty, 60},
      {"authPenalty = 0", &D::authPenalty, 60},
  };
  for (const auto& c : numbers) EXPECT_EQ(agent(c.line).*c.field, c.expected) << c.line;
  const struct {
    std::string line;
    std::string D::*field;
    std::string expected;
  } texts[] = {
      {"log = /var/log/q.log", &D::log, "/var/log/q.log"},
      {"keyFolder = /etc/quor2", &D::keyFolder, "/etc/quor2"},
      {"", &D::rsaKey, "ssh_host_rsa_key"},
      {"rsaKey = rsa", &D::rsaKey, "rsa"},
      {"", &D::dsaKey, "ssh_host_dsa_key"},
      {"", &D::ecdsaKey, "ssh_host_ecdsa_key"},
      {"", &D::ed25519Key, "ssh_host_ed25519_key"},
      {"ed25519Key = ed", &D::ed25519Key, "ed"},
  };
  for (const auto& c : texts) EXPECT_EQ(agent(c.line).*c.field, c.expected) << c.line;
  using Addresses = std::vector<std::string>;
  EXPECT_EQ(agent("").listen, Addresses{"0.0.0.0"});
  EXPECT_EQ(agent("listen =").listen, Addresses{"0.0.0.0"});
  EXPECT_EQ(agent("listen = 127.0.0.1 , ::1").listen, (Addresses{"127.0.0.1", "::1"}));
  EXPECT_FALSE(agent("").daemonize);
  EXPECT_TRUE(agent("daemonize = true").daemonize);
  EXPECT_TRUE(agent("daemonize = 1").daemonize);
  EXPECT_FALSE(agent("daemonize = yes").daemonize);
  EXPECT_EQ(*load("[password]\na = x = y\nb =\n").users, (UserMap{{"a", "x = y"}, {"b", ""}}));
}

TEST(Settings, CheckListSplitting) {
  EXPECT_EQ(*agent("checks = CPU , RAM,Swap").checks, (CheckIdSet{"CPU", "RAM", "Swap"}));
  EXPECT_EQ(*agent("checks = ,CPU,").checks, (CheckIdSet{"", "CPU"}));
  EXPECT_EQ(*agent("checks = CPU,CPU").checks, CheckIdSet{"CPU"});
  EXPECT_EQ(*agent("checks =").checks, CheckIdSet{});
}

TEST(Settings, FirewallLines) {
  LogCapture capture(logger::Logger::Error);
  const Settings settings = load(
      "[password]\nu=p\n[firewall]\n"
      "v4 = 10.0.0.1 - 10.0.0.9\n"
      "v6 = fe80::1-fe80::ff\n"
      "open = - 10.0.0.9\n"
      "single = 10.0.0.5\n"
      "mixed = 10.0.0.1 - fe80::1\n"
      "three = 10.0.0.1 - 10.0.0.2 - 10.0.0.3\n"
      "several = 10.0.0.1 - 10.0.0.2, 127.0.0.1/32 ,::1/128\n"
      "onebad = 10.0.0.0/8, 10.0.0.0/33\n"
      "empty =\n");
  std::map<std::string, std::vector<std::string>> texts;
  for (const auto& entry : *settings.firewall) {
    for (const auto& range : entry.second) texts[entry.first].push_back(range.text());
  }
  EXPECT_EQ(texts, (std::map<std::string, std::vector<std::string>>{
                       {"v4", {"10.0.0.1 - 10.0.0.9"}},
                       {"v6", {"fe80::1 - fe80::ff"}},
                       {"open", {" - 10.0.0.9"}},
                       {"several", {"10.0.0.1 - 10.0.0.2", "127.0.0.1/32", "::1/128"}}}));
  std::vector<std::string> expected;
  for (const char* user : {"single", "mixed", "three", "onebad", "empty"}) {
    expected.push_back(std::string("Error: Incorrect firewall record for user ") + user);
  }
  EXPECT_EQ(capture.messages(), expected);
}

TEST(Settings, UnreadableFilesThrow) {
  EXPECT_THROW(load("[password]\nu=p\nu=q\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(load("[password\nu=p\n"), boost::property_tree::ptree_error);
  EXPECT_THROW(Settings::load("/nonexistent/quor.ini"), boost::property_tree::ptree_error);
}

TEST(SettingsDeathTest, ParseErrorExitsWith255) {
  TempDir dir;
  const std::string path = dir.write("quor.ini", "[agent]\nport=1\n");
  logger::Logger::current_logger->level = logger::Logger::Warn;
  EXPECT_EXIT(Settings{path}, ::testing::ExitedWithCode(255), "Error parsing ini file: ");
  logger::Logger::current_logger->level = 0;
}

}  // namespace
