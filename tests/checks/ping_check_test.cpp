#include "checks/ping_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/temp_dir.h"

namespace {

using checks::PingCheck;

std::string live_ping(const std::string& host, const std::string& ipv6) {
  return testing_support::outcome(PingCheck(false, utils::Env::standard())
                                      .execute({{"Host name or IP", host},
                                                {"Use IPv6", ipv6},
                                                {"Number of packets", "2"},
                                                {"Overall timeout [s]", "10"},
                                                {"Success rate limit [%]", "100"}}));
}

TEST(PingCheck, ValidHost) {
  for (const char* host : {"127.0.0.1", "::1", "fe80::1%eth0", "host-1.example_x"}) {
    EXPECT_TRUE(PingCheck::valid_host(host)) << host;
  }
  for (const std::string& host : std::vector<std::string>{"a b", "a;b", "a/b", "a\\b", "é", "-c",
                                                          "", std::string(256, 'a')}) {
    EXPECT_FALSE(PingCheck::valid_host(host)) << host;
  }
}

TEST(PingCheck, LiveLoopback) {
  for (const auto& target : {std::make_pair("127.0.0.1", "false"), std::make_pair("::1", "true")}) {
    EXPECT_EQ(live_ping(target.first, target.second).rfind("UP: 100.00%  pings fall into rtt", 0),
              0u)
        << target.first;
  }
}

TEST(PingCheck, RefusedHostsReachNoShell) {
  const testing_support::TempDir dir;
  const std::string marker = dir.path() + "/marker";
  for (const std::string& host :
       {"$(touch " + marker + ")", "`touch " + marker + "`", "x\"; touch " + marker + "; \"",
        "x\" && touch " + marker + " #", "127.0.0.1\ntouch " + marker,
        std::string("-c 1 127.0.0.1"), std::string()}) {
    EXPECT_EQ(live_ping(host, "false"), "ERROR: Invalid host name or IP") << host;
  }
  EXPECT_FALSE(utils::Env::standard().file_exists(marker));

  // The same text would have made its marker, had it reached the shell.
  utils::Env::standard().run_command(": \"$(touch " + marker + ")\"")->drain();
  EXPECT_TRUE(utils::Env::standard().file_exists(marker));
}

}  // namespace
