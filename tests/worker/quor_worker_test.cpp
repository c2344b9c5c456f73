// The login decisions of the worker, with the exact lines they log.
#include "worker/quor_worker.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

using Messages = std::vector<std::string>;

class AuthenticateTest : public ::testing::Test {
 protected:
  AuthenticateTest()
      : settings_(Settings::load(dir_.write("quor.ini",
                                            "[password]\n"
                                            "monitor = secret\n"
                                            "nopass =\n"
                                            "ranged = pw\n"
                                            "six = pw\n"
                                            "[firewall]\n"
                                            "ranged = 10.0.0.1 - 10.0.0.9\n"
                                            "ghost = 10.0.0.1 - 10.0.0.9\n"
                                            "six = fe80::1 - fe80::ff\n"))),
        worker_(settings_) {}

  testing_support::TempDir dir_;
  Settings settings_;
  QuorWorker worker_;
};

struct LoginCase {
  std::string user;
  std::string password;
  std::string client_ip;
  bool accepted;
  Messages messages;
};

const std::string hidden = " with password ********";

TEST_F(AuthenticateTest, Decisions) {
  const LoginCase cases[] = {
      {"monitor",
       "secret",
       "127.0.0.1",
       true,
       {"Debug: Authenticating user monitor" + hidden + " from 127.0.0.1", "Debug: Authenticated"}},
      {"monitor",
       "Secret",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user monitor" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user monitor" + hidden}},
      {"monitor",
       "secre",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user monitor" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user monitor" + hidden}},
      {"monitor",
       "secret2",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user monitor" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user monitor" + hidden}},
      {"Monitor",
       "secret",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user Monitor" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user Monitor" + hidden}},
      {"nopass",
       "",
       "127.0.0.1",
       true,
       {"Debug: Authenticating user nopass" + hidden + " from 127.0.0.1", "Debug: Authenticated"}},
      {"nopass",
       "x",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user nopass" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user nopass" + hidden}},
      {"nobody",
       "",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user nobody" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated", "Warn: Authentication failed for user nobody" + hidden}},
      {"ranged",
       "pw",
       "10.0.0.5",
       true,
       {"Debug: Authenticating user ranged" + hidden + " from 10.0.0.5", "Debug: Authenticated",
        "Debug: Firewall passwed"}},
      {"ranged",
       "pw",
       "10.0.0.10",
       false,
       {"Debug: Authenticating user ranged" + hidden + " from 10.0.0.10", "Debug: Authenticated",
        "Debug: Firewalled", "Warn: User ranged from 10.0.0.10 was firewalled"}},
      {"ranged",
       "pw",
       "::ffff:10.0.0.5",
       false,
       {"Debug: Authenticating user ranged" + hidden + " from ::ffff:10.0.0.5",
        "Debug: Authenticated", "Debug: Firewalled",
        "Warn: User ranged from ::ffff:10.0.0.5 was firewalled"}},
      {"ranged",
       "bad",
       "10.0.0.99",
       false,
       {"Debug: Authenticating user ranged" + hidden + " from 10.0.0.99",
        "Debug: Not authenticated", "Debug: Firewalled",
        "Warn: Authentication failed for user ranged" + hidden,
        "Warn: User ranged from 10.0.0.99 was firewalled"}},
      {"ghost",
       "pw",
       "10.0.0.5",
       false,
       {"Debug: Authenticating user ghost" + hidden + " from 10.0.0.5", "Debug: Not authenticated",
        "Debug: Firewall passwed", "Warn: Authentication failed for user ghost" + hidden}},
      {"six",
       "pw",
       "fe80::10",
       true,
       {"Debug: Authenticating user six" + hidden + " from fe80::10", "Debug: Authenticated",
        "Debug: Firewall passwed"}},
      {"six",
       "pw",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user six" + hidden + " from 127.0.0.1", "Debug: Authenticated",
        "Debug: Firewalled", "Warn: User six from 127.0.0.1 was firewalled"}},
      // A user name cannot forge log lines.
      {"evil\r\nWarn: forged",
       "x",
       "127.0.0.1",
       false,
       {"Debug: Authenticating user evil\\r\\nWarn: forged" + hidden + " from 127.0.0.1",
        "Debug: Not authenticated",
        "Warn: Authentication failed for user evil\\r\\nWarn: forged" + hidden}},
  };
  for (const LoginCase& c : cases) {
    SCOPED_TRACE(c.user + "/" + c.password + "@" + c.client_ip);
    const testing_support::LogCapture capture(logger::Logger::Debug);
    EXPECT_EQ(worker_.authenticate(c.user, c.password, c.client_ip), c.accepted);
    EXPECT_EQ(capture.messages(), c.messages);
  }
}

TEST_F(AuthenticateTest, TraceLinesFrameTheDecision) {
  const testing_support::LogCapture capture(logger::Logger::Trace);
  worker_.authenticate("ranged", "pw", "10.0.0.2");
  const Messages messages = capture.messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), "Trace:  > QuorWorker::authenticate");
  EXPECT_EQ(messages.back(), "Trace:  < QuorWorker::authenticate");
  EXPECT_TRUE(capture.contains("Trace: Checking firewall"));
}

TEST_F(AuthenticateTest, PasswordsNeverReachTheLog) {
  const testing_support::LogCapture capture(logger::Logger::Trace);
  worker_.authenticate("monitor", "secret", "127.0.0.1");
  worker_.authenticate("monitor", "wrong-guess", "127.0.0.1");
  worker_.authenticate("ranged", "pw", "10.0.0.99");
  EXPECT_EQ(capture.text().find("secret"), std::string::npos);
  EXPECT_EQ(capture.text().find("wrong-guess"), std::string::npos);
  EXPECT_EQ(capture.text().find("password pw"), std::string::npos);
}

}  // namespace
