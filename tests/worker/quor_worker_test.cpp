// The login decisions of the worker, with the exact lines they log.
#include "worker/quor_worker.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

enum Firewall { kNoEntry, kPassed, kBlocked };

struct LoginCase {
  std::string user, password, client_ip;
  bool password_ok;
  Firewall firewall;
  std::string logged_user;  // as the log shows it
};

// The lines of one decision, in the order the worker writes them.
std::vector<std::string> lines_of(const LoginCase& c) {
  const std::string hidden = " with password ********";
  std::vector<std::string> lines = {
      "Debug: Authenticating user " + c.logged_user + hidden + " from " + c.client_ip,
      c.password_ok ? "Debug: Authenticated" : "Debug: Not authenticated"};
  if (c.firewall != kNoEntry) {
    lines.push_back(c.firewall == kPassed ? "Debug: Firewall passwed" : "Debug: Firewalled");
  }
  if (!c.password_ok)
    lines.push_back("Warn: Authentication failed for user " + c.logged_user + hidden);
  if (c.firewall == kBlocked) {
    lines.push_back("Warn: User " + c.logged_user + " from " + c.client_ip + " was firewalled");
  }
  return lines;
}

TEST(QuorWorkerTest, LoginDecisions) {
  const testing_support::TempDir dir;
  Settings settings = Settings::load(dir.write("quor.ini",
                                               "[password]\n"
                                               "monitor = secret\n"
                                               "nopass =\n"
                                               "ranged = pw\n"
                                               "six = pw\n"
                                               "[firewall]\n"
                                               "ranged = 10.0.0.1 - 10.0.0.9\n"
                                               "ghost = 10.0.0.1 - 10.0.0.9\n"
                                               "six = fe80::1 - fe80::ff\n"));
  const QuorWorker worker(settings);
  const LoginCase cases[] = {
      {"monitor", "secret", "127.0.0.1", true, kNoEntry, "monitor"},
      {"monitor", "Secret", "127.0.0.1", false, kNoEntry, "monitor"},
      {"monitor", "secre", "127.0.0.1", false, kNoEntry, "monitor"},
      {"monitor", "secret2", "127.0.0.1", false, kNoEntry, "monitor"},
      {"Monitor", "secret", "127.0.0.1", false, kNoEntry, "Monitor"},
      {"nopass", "", "127.0.0.1", true, kNoEntry, "nopass"},
      {"nopass", "x", "127.0.0.1", false, kNoEntry, "nopass"},
      {"nobody", "", "127.0.0.1", false, kNoEntry, "nobody"},
      {"ranged", "pw", "10.0.0.5", true, kPassed, "ranged"},
      {"ranged", "pw", "10.0.0.10", true, kBlocked, "ranged"},
      {"ranged", "pw", "::ffff:10.0.0.5", true, kBlocked, "ranged"},
      {"ranged", "bad", "10.0.0.99", false, kBlocked, "ranged"},
      {"ghost", "pw", "10.0.0.5", false, kPassed, "ghost"},
      {"six", "pw", "fe80::10", true, kPassed, "six"},
      {"six", "pw", "127.0.0.1", true, kBlocked, "six"},
      {"evil\r\nWarn: forged", "x", "127.0.0.1", false, kNoEntry, "evil\\r\\nWarn: forged"},
  };
  for (const LoginCase& c : cases) {
    SCOPED_TRACE(c.user + "/" + c.password + "@" + c.client_ip);
    const testing_support::LogCapture capture(logger::Logger::Trace);
    EXPECT_EQ(worker.authenticate(c.user, c.password, c.client_ip),
              c.password_ok && c.firewall != kBlocked);
    std::vector<std::string> messages;
    for (const std::string& message : capture.messages()) {
      if (message.compare(0, 7, "Trace: ") != 0) messages.push_back(message);
    }
    EXPECT_EQ(messages, lines_of(c));
    // Not even the Trace lines hold the password.
    if (!c.password.empty()) {
      EXPECT_EQ(capture.text().find(c.password), std::string::npos);
    }
  }
}

}  // namespace
