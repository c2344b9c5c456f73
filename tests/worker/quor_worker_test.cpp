// The worker's login decisions and the Warn lines an administrator acts on;
// neither a password nor a forged line reaches the log.
#include "worker/quor_worker.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

TEST(QuorWorkerTest, LoginDecisions) {
  const testing_support::TempDir dir;
  Settings settings = Settings::load(
      dir.write("quor.ini",
                "[password]\nmonitor = secret\nnopass =\nranged = pw\nsix = pw\n"
                "[firewall]\nranged = 10.0.0.1 - 10.0.0.9\nghost = 10.0.0.0/8\nsix = fe80::/64\n"));
  const QuorWorker worker(settings);
  const std::string failed = "Warn: Authentication failed for user ";
  const struct {
    std::string user, password, address;
    bool accepted;
    std::string warning;  // empty: none
  } cases[] = {
      {"monitor", "secret", "127.0.0.1", true, ""},
      {"monitor", "Secret", "127.0.0.1", false, failed + "monitor with password ********"},
      {"monitor", "secre", "127.0.0.1", false, failed + "monitor with password ********"},
      {"Monitor", "secret", "127.0.0.1", false, failed + "Monitor with password ********"},
      {"nopass", "", "127.0.0.1", true, ""},
      {"nopass", "x", "127.0.0.1", false, failed + "nopass with password ********"},
      {"ranged", "pw", "10.0.0.5", true, ""},
      {"ranged", "pw", "10.0.0.10", false, "Warn: User ranged from 10.0.0.10 was firewalled"},
      {"ranged", "pw", "::ffff:10.0.0.5", false,
       "Warn: User ranged from ::ffff:10.0.0.5 was firewalled"},
      {"ghost", "pw", "10.0.0.5", false, failed + "ghost with password ********"},
      {"six", "pw", "fe80::10", true, ""},
      {"six", "pw", "127.0.0.1", false, "Warn: User six from 127.0.0.1 was firewalled"},
      {"evil\r\nWarn: forged", "x", "127.0.0.1", false,
       failed + "evil\\r\\nWarn: forged with password ********"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user + "/" + c.password + "@" + c.address);
    const testing_support::LogCapture capture(logger::Logger::Trace);
    EXPECT_EQ(worker.authenticate(c.user, c.password, c.address), c.accepted);
    std::vector<std::string> warnings;
    for (const std::string& message : capture.messages()) {
      if (message.compare(0, 6, "Warn: ") == 0) warnings.push_back(message);
    }
    EXPECT_EQ(warnings, c.warning.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{c.warning});
    if (!c.password.empty()) {
      EXPECT_EQ(capture.text().find(c.password), std::string::npos);
    }
    EXPECT_EQ(capture.text().find("\nWarn: forged"), std::string::npos);
  }
}

}  // namespace
