#include "checks/ping_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/temp_dir.h"

namespace {

std::string live_ping(const std::string& host) {
  return testing_support::outcome(checks::PingCheck(false, utils::Env::standard())
                                      .execute({{"Host name or IP", host},
                                                {"Use IPv6", "true"},
                                                {"Number of packets", "1"},
                                                {"Overall timeout [s]", "10"},
                                                {"Success rate limit [%]", "100"}}));
}

// Host names reach the shell only when they hold nothing but the bytes of
// names and addresses, and do not begin with "-".
TEST(PingCheck, RefusedHostsReachNoShell) {
  EXPECT_TRUE(checks::PingCheck::valid_host("fe80::1%eth0") &&
              checks::PingCheck::valid_host("host-1.example_x"));
  EXPECT_EQ(live_ping("::1").rfind("UP: 100.00%  pings fall into rtt", 0), 0u);
  const testing_support::TempDir dir;
  const std::string marker = dir.path() + "/marker";
  for (const std::string& host :
       {"$(touch " + marker + ")", "`touch " + marker + "`", "x\"; touch " + marker + "; \"",
        "x\" && touch " + marker + " #", "::1\ntouch " + marker, std::string("-c 1 ::1"),
        std::string(), std::string("a b"), std::string("a\\b"), std::string("é"),
        std::string(256, 'a')}) {
    EXPECT_EQ(live_ping(host), "ERROR: Invalid host name or IP") << host;
  }
  EXPECT_FALSE(utils::Env::standard().file_exists(marker));
  // The same text would have made its marker, had it reached the shell.
  utils::Env::standard().run_command(": \"$(touch " + marker + ")\"")->drain();
  EXPECT_TRUE(utils::Env::standard().file_exists(marker));
}

}  // namespace
