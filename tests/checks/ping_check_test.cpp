#include "checks/ping_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/running_agent.h"

namespace {

std::string live_ping(const std::string& host) {
  return testing_support::outcome(checks::PingCheck(false, utils::Env::standard())
                                      .execute({{"Host name or IP", host},
                                                {"Use IPv6", "true"},
                                                {"Number of packets", "1"},
                                                {"Overall timeout [s]", "10"},
                                                {"Success rate limit [%]", "100"}}));
}

// A host reaches ping as one argument, never through a shell, and only when
// it holds nothing but the bytes of names and addresses and does not begin
// with "-", which ping would take for an option.
TEST(PingCheck, HostsThatReachPing) {
  EXPECT_TRUE(checks::PingCheck::valid_host("fe80::1%eth0") &&
              checks::PingCheck::valid_host("host-1.example_x"));
  EXPECT_EQ(live_ping("::1").rfind("UP: 100.00%  pings fall into rtt", 0), 0u);
  for (const char* host : {"$(id)", "`id`", "x;id", "::1\nid", "-c 1 ::1", "", "a b",
                                  "a\\b", "\xc3\xa9", "-V"}) {
    EXPECT_EQ(live_ping(host), "ERROR: Invalid host name or IP") << host;
  }
  EXPECT_EQ(live_ping(std::string(256, 'a')), "ERROR: Invalid host name or IP");
}

// A check stops when its client goes: its ping is killed, and its session
// ends, so that its place is free for the next client.
TEST(PingCheck, StopsWhenItsClientHasGone) {
  testing_support::HangingPrograms programs;
  programs.add("ping", "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n");
  testing_support::AgentConfig config;
  config.checks = "Ping";
  config.agent_extra = "maxSessions = 1\n";
  const testing_support::RunningAgent agent(config);
  const auto logs_in = [&agent] {
    try {
      return !testing_support::SshExchange(agent.port(), "monitor", "secret").greeting().empty();
    } catch (const std::runtime_error&) {
      return false;
    }
  };
  {
    testing_support::SshExchange session(agent.port(), "monitor", "secret");
    session.send("#keycount=5#sessionid=1#requestaction=runcheck#checkid=Ping#para=\"#Host name "
                 "or IP=127.0.0.1#Number of packets=5#Overall timeout [s]=50#Success rate limit "
                 "[%]=1#\"#");
    ASSERT_EQ(programs.pids_of("ping").size(), 2u);
    EXPECT_FALSE(logs_in());
  }
  EXPECT_TRUE(programs.ended("ping"));
  EXPECT_TRUE(testing_support::wait_until(10, logs_in));
}

}  // namespace
