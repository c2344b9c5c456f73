// The worker's login decisions and the one Warn line of each refusal; no
// line holds a password or a line forged by a user name.
#include "worker/quor_worker.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/temp_dir.h"

TEST(QuorWorkerTest, LoginDecisions) {
  const testing_support::TempDir dir;
  Settings settings = Settings::load(dir.write(
      "quor.ini", "[password]\nmonitor = secret\nnopass =\n[firewall]\nnopass = fe80::/64\n"
                  "ghost = 10.0.0.0/8\n"));
  const QuorWorker worker(settings);
  const std::string failed = "Warn: Authentication failed for user ";
  const std::string cases[][4] = {  // user, password, address, warning (none: accepted)
      {"monitor", "secret", "127.0.0.1", ""},
      {"Monitor", "secret", "127.0.0.1", failed + "Monitor with password ********\n"},
      {"nopass", "", "fe80::10", ""},
      {"nopass", "x", "fe80::10", failed + "nopass with password ********\n"},
      {"nopass", "", "::ffff:127.0.0.1", "Warn: User nopass from ::ffff:127.0.0.1 was firewalled\n"},
      {"ghost", "pw", "10.0.0.5", failed + "ghost with password ********\n"},
      {"evil\r\nWarn: forged", "x", "::1", failed + "evil\\r\\nWarn: forged with password ********\n"},
  };
  for (const auto& c : cases) {
    const testing_support::LogCapture capture(logger::Logger::Trace);
    EXPECT_EQ(worker.authenticate(c[0], c[1], c[2]), c[3].empty()) << c[0];
    std::string warnings;
    for (const std::string& message : capture.messages()) {
      if (message.compare(0, 6, "Warn: ") == 0) warnings += message + "\n";
    }
    EXPECT_EQ(warnings, c[3]);
    EXPECT_TRUE(c[1].empty() || capture.text().find(c[1]) == std::string::npos) << c[1];
  }
}
