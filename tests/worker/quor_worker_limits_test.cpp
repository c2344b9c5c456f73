// The connection limits of the real agent: agent.maxSessions and
// agent.loginGraceTime, driven by SSH and plain TCP clients over loopback.
#include <gtest/gtest.h>

#include <memory>

#include "client/ssh_client.h"
#include "support/raw_connection.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"

namespace {

using testing_support::AgentConfig;
using testing_support::RawConnection;
using testing_support::RunningAgent;
using testing_support::SshExchange;
using testing_support::wait_until;

const std::string list_request = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string cpu_listing =
    "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
    "checkdescription1=CPU Usage#available1=true#";

// Whether an SSH client gets through key exchange and login.
bool can_log_in(const RunningAgent& agent) {
  try {
    client::SshClient connection("127.0.0.1", agent.port());
    return connection.login("monitor", "secret");
  } catch (const std::exception&) {
    return false;
  }
}

TEST(QuorWorkerLimitsTest, ConnectionsBeyondMaxSessionsAreClosedAtOnce) {
  AgentConfig config;
  config.agent_extra = "maxSessions = 2\n";
  RunningAgent agent(config);
  // A logged-in session and one that never logs in hold both places.
  auto session = std::make_unique<SshExchange>(agent.port(), "monitor", "secret");
  RawConnection silent(agent.port());
  ASSERT_TRUE(
      wait_until(30, [&] { return agent.log_count("Info: Connection from 127.0.0.1\n") == 2; }));

  EXPECT_TRUE(RawConnection(agent.port()).wait_closed());
  EXPECT_FALSE(can_log_in(agent));
  const std::string warning =
      "Warn: Connection from 127.0.0.1 refused: the limit of 2 sessions is reached "
      "(agent.maxSessions)\n";
  ASSERT_TRUE(agent.wait_for_log(warning));
  EXPECT_EQ(agent.log_count(warning), 2u) << agent.log();
  EXPECT_EQ(agent.log_count("Warn:"), 3u) << agent.log();  // with the DSA key's
  EXPECT_EQ(agent.log_count("Error:"), 0u) << agent.log();

  // Nothing else is disturbed, and a freed place is taken again.
  EXPECT_EQ(session->request(list_request), cpu_listing);
  session.reset();
  ASSERT_TRUE(agent.wait_for_log("Debug: Data exchange thread exit.\n"));
  EXPECT_EQ(SshExchange(agent.port(), "monitor", "secret").request(list_request), cpu_listing);
}

TEST(QuorWorkerLimitsTest, GraceTimeClosesOnlyConnectionsWithoutAShell) {
  AgentConfig config;
  config.agent_extra = "loginGraceTime = 1\n";
  RunningAgent agent(config);
  // Monitoring servers keep their sessions open between polls.
  SshExchange idle(agent.port(), "monitor", "secret");
  RawConnection silent(agent.port());  // not even a banner
  client::SshClient keys_only("127.0.0.1", agent.port());
  client::SshClient no_shell("127.0.0.1", agent.port());
  ASSERT_TRUE(no_shell.login("monitor", "secret"));

  EXPECT_TRUE(silent.wait_closed());
  const std::string warning =
      "Warn: Connection from 127.0.0.1 closed: no login within 1 s (agent.loginGraceTime)\n";
  ASSERT_TRUE(wait_until(30, [&] { return agent.log_count(warning) == 3; })) << agent.log();
  EXPECT_THROW(keys_only.login("monitor", "secret"), std::runtime_error);
  EXPECT_THROW(no_shell.open_shell(), std::runtime_error);
  ASSERT_TRUE(
      wait_until(30, [&] { return agent.log_count("Debug: Data exchange thread exit.\n") == 3; }));
  // The grace time says why; the failed phases add no Error lines.
  EXPECT_EQ(agent.log_count("Error:"), 0u) << agent.log();
  // The idle session's grace time is over too: it was accepted first.
  EXPECT_EQ(idle.request(list_request), cpu_listing);
  EXPECT_EQ(agent.log_count("closed: no login"), 3u) << agent.log();
  EXPECT_TRUE(can_log_in(agent));
}

}  // namespace
