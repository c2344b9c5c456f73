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

TEST(Settings, DefaultsWithOnlyPasswords) {
  const Settings settings = load("[password]\nmonitor=secret\n");
  EXPECT_EQ(settings.port, 20012);
  EXPECT_EQ(settings.log, "");
  EXPECT_EQ(settings.loglevel, 1);
  EXPECT_FALSE(settings.daemonize);
  EXPECT_EQ(settings.keyFolder, "");
  EXPECT_EQ(settings.dsaKey, "ssh_host_dsa_key");
  EXPECT_EQ(settings.rsaKey, "ssh_host_rsa_key");
  EXPECT_EQ(settings.timeout, 10);
  EXPECT_EQ(settings.maxSessions, 64);
  EXPECT_EQ(settings.loginGraceTime, 30);
  EXPECT_EQ(*settings.users, (UserMap{{"monitor", "secret"}}));
  EXPECT_TRUE(settings.firewall->empty());
  EXPECT_TRUE(settings.checks->empty());
}

TEST(Settings, ReadsAgentSection) {
  const Settings settings = load(
      "[agent]\nport = 2222\nlog = /var/log/quor2.log\ndaemonize = true\nkeyFolder = /etc/quor2\n"
      "rsaKey = rsa\ndsaKey = dsa\nloglevel = Debug\ntimeout = 3\nchecks = CPU , RAM,Swap\n"
      "[password]\na = x = y\nb =\n");
  EXPECT_EQ(settings.port, 2222);
  EXPECT_EQ(settings.log, "/var/log/quor2.log");
  EXPECT_TRUE(settings.daemonize);
  EXPECT_EQ(settings.keyFolder, "/etc/quor2");
  EXPECT_EQ(settings.rsaKey, "rsa");
  EXPECT_EQ(settings.dsaKey, "dsa");
  EXPECT_EQ(settings.loglevel, 4);
  EXPECT_EQ(settings.timeout, 3);
  EXPECT_EQ(*settings.checks, (CheckIdSet{"CPU", "RAM", "Swap"}));
  EXPECT_EQ(*settings.users, (UserMap{{"a", "x = y"}, {"b", ""}}));
  EXPECT_TRUE(load("[agent]\ndaemonize = 1\n[password]\nu=p\n").daemonize);
  EXPECT_FALSE(load("[agent]\ndaemonize = yes\n[password]\nu=p\n").daemonize);
}

TEST(Settings, UnusableNumbersGiveTheDefaults) {
  const struct {
    std::string line;
    int DaemonSettings::*field;
    int expected;
  } cases[] = {
      {"port = 80x", &DaemonSettings::port, 20012},
      {"loglevel = debug", &DaemonSettings::loglevel, 1},
      {"loglevel =", &DaemonSettings::loglevel, 0},
      {"loglevel = Warn", &DaemonSettings::loglevel, 2},
      {"loglevel = Trace", &DaemonSettings::loglevel, 5},
      {"timeout = 0", &DaemonSettings::timeout, 10},
      {"maxSessions = 0", &DaemonSettings::maxSessions, 64},
      {"maxSessions = 2.5", &DaemonSettings::maxSessions, 64},
      {"maxsessions = 5", &DaemonSettings::maxSessions, 64},  // keys are case-sensitive
      {"loginGraceTime = -1", &DaemonSettings::loginGraceTime, 30},
      {"loginGraceTime = 10s", &DaemonSettings::loginGraceTime, 30},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(load("[agent]\n" + c.line + "\n[password]\nu=p\n").*c.field, c.expected) << c.line;
  }
}

TEST(Settings, CheckListSplitting) {
  EXPECT_EQ(*load("[agent]\nchecks = ,CPU,\n[password]\nu=p\n").checks, (CheckIdSet{"", "CPU"}));
  EXPECT_EQ(*load("[agent]\nchecks = CPU,CPU\n[password]\nu=p\n").checks, CheckIdSet{"CPU"});
  EXPECT_EQ(*load("[agent]\nchecks =\n[password]\nu=p\n").checks, CheckIdSet{});
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
