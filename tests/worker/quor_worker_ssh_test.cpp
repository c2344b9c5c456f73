// The SSH service of the real agent over loopback, driven by OpenSSH's ssh
// (through sshpass) and by libssh (SshExchange).
#include <gtest/gtest.h>

#include "support/running_agent.h"

namespace {

using namespace testing_support;

const std::string password = "Pa55-word";
const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";
const std::string list = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string listing =
    "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
    "checkdescription1=CPU Usage#available1=true#";

// ssh user@host, the password through sshpass, away from ~/.ssh; its input
// is the list request.
ProgramResult openssh(const RunningAgent& agent, const std::string& user, const std::string& pass,
                      const std::string& host, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> argv = {
      "sshpass", "-f", agent.password_file(pass), "ssh", "-v", "-F", "/dev/null", "-p",
      std::to_string(agent.port()), "-o", "UserKnownHostsFile=/dev/null", "-o",
      "GlobalKnownHostsFile=/dev/null", "-o", "StrictHostKeyChecking=no", "-o",
      "PubkeyAuthentication=no"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.push_back(user + "@" + host);
  return run_program(argv, list);
}

// Whether a login as monitor with `pass` gets the greeting.
bool logs_in(int port, const std::string& pass) {
  try {
    return SshExchange(port, "monitor", pass).greeting() == greeting;
  } catch (const std::runtime_error&) {
    return false;
  }
}

// The line --hash-password prints for "s3cret".
const std::string& hashed() {
  static const std::string out = run_program({QUOR2_BINARY, "--hash-password"}, "s3cret\n").out;
  static const std::string line = out.substr(0, out.find('\n'));
  return line;
}

// Both families and key types, users bound to ranges; it logs everything.
RunningAgent& agent() {
  static RunningAgent shared([] {
    AgentConfig config;
    config.users = {{"monitor", password}, {"ranged", password}, {"elsewhere", password},
                    {"hashed", hashed()}};
    config.firewall = {{"ranged", "10.0.0.0/8, 127.0.0.1 - 127.0.0.9, ::1/128"},
                       {"elsewhere", "10.0.0.0/8, 2001:db8::/32"}};
    config.key_types = {"rsa", "ed25519"};
    config.loglevel = "Trace";
    config.agent_extra = "listen = 127.0.0.1, ::1\nmaxAuthFailures = 3\nauthPenalty = 3\n";
    return config;
  }());
  return shared;
}

TEST(QuorWorkerSshTest, OpenSshLogins) {
  ASSERT_EQ(hashed().rfind("{CRYPT}$y$", 0), 0u) << hashed();
  const struct {
    std::string user, pass, host, host_keys;
    bool ok, pty;
  } cases[] = {
      {"monitor", password, "127.0.0.1", "ssh-ed25519", true, false},
      {"monitor", password, "::1", "ssh-ed25519", true, true},
      {"monitor", password, "127.0.0.1", "rsa-sha2-512", true, false},
      {"monitor", "wrong-Pa55", "127.0.0.1", "rsa-sha2-256", false, false},
      {"hashed", "s3cret", "::1", "rsa-sha2-256", true, false},
      {"hashed", hashed(), "127.0.0.1", "rsa-sha2-256", false, false},
      {"ranged", password, "127.0.0.1", "rsa-sha2-256", true, false},
      {"ranged", password, "::1", "rsa-sha2-256", true, true},
      {"elsewhere", password, "127.0.0.1", "rsa-sha2-256", false, false},
      {"elsewhere", password, "::1", "rsa-sha2-256", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user + "/" + c.pass + "@" + c.host + " " + c.host_keys);
    std::vector<std::string> extra = {"-o", "HostKeyAlgorithms=" + c.host_keys};
    if (c.pty) extra.push_back("-tt");
    const ProgramResult run = openssh(agent(), c.user, c.pass, c.host, extra);
    EXPECT_EQ(run.out, c.ok ? greeting + listing : "") << run.err;
    const std::string key = c.host_keys == "ssh-ed25519" ? "ssh-ed25519" : "ssh-rsa";
    EXPECT_NE(run.err.find("Server host key: " + key), std::string::npos) << run.err;
  }
  EXPECT_NE(agent().log().find("Warn: User elsewhere from ::1 was firewalled\n"), std::string::npos);
  for (const char* never : {"Pa55", "s3cret", "$y$", "::ffff:"}) {
    EXPECT_EQ(agent().log().find(never), std::string::npos) << never;
  }
}

TEST(QuorWorkerSshTest, OneRequestPerReadAndASilentLogout) {
  SshExchange session(agent().port(), "monitor", password);
  EXPECT_EQ(session.greeting(), greeting);
  const std::pair<std::string, std::string> cases[] = {
      {"#", "no keycount"},
      {"#keycount=1#", "no sessionid"},
      {std::string("#keycount=1#sessionid=1#requestaction=listchecks#\0junk", 55), listing},
      {"#keycount=1#sessionid=1#requestaction=x\r\nError: forged#",
       "Command x\r\nError: forged not implemented\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(session.request(c.first), c.second) << c.first;
  // A received record cannot forge a log line.
  ASSERT_TRUE(agent().wait_for_log(
      "Received: #keycount=1#sessionid=1#requestaction=x\\r\\nError: forged#\n"));
  EXPECT_EQ(agent().log().find("\nError: forged"), std::string::npos);
  // A logout is not answered: its bytes would come before the listing.
  const std::size_t logouts = agent().log_count("Debug: Executing LogoutCommand.\n");
  session.send("#keycount=3#sessionid=1#requestaction=logout#");
  ASSERT_TRUE(wait_until(
      30, [&] { return agent().log_count("Debug: Executing LogoutCommand.\n") > logouts; }));
  EXPECT_EQ(session.request(list), listing);
}

// Monitoring servers keep their sessions open between polls; the others
// hold a place until the grace time ends them. The stop ends them all.
TEST(QuorWorkerSshTest, SessionLimitGraceTimeAndStop) {
  AgentConfig config;
  config.agent_extra = "maxSessions = 4\nloginGraceTime = 2\n";
  RunningAgent own(config);
  SshExchange idle(own.port(), "monitor", "secret");
  const RawConnection silent(own.port());  // not even a banner
  client::SshClient keys_only("127.0.0.1", own.port());
  client::SshClient no_shell("127.0.0.1", own.port());
  ASSERT_TRUE(no_shell.login("monitor", "secret"));
  EXPECT_FALSE(logs_in(own.port(), "secret"));
  const auto logged = [&own](const std::string& line, std::size_t count) {
    return wait_until(30, [&] { return own.log_count("Connection from 127.0.0.1 " + line) == count; });
  };
  EXPECT_TRUE(logged("refused: the limit of 4 sessions is reached (agent.maxSessions)\n", 1));
  EXPECT_TRUE(logged("closed: no login within 2 s (agent.loginGraceTime)\n", 3)) << own.log();
  EXPECT_THROW(keys_only.login("monitor", "secret"), std::runtime_error);
  EXPECT_THROW(no_shell.open_shell(), std::runtime_error);
  EXPECT_EQ(idle.request(list), listing);
  EXPECT_TRUE(wait_until(30, [&own] { return logs_in(own.port(), "secret"); }));
  EXPECT_EQ(own.log_count("Error:"), 0u) << own.log();
  SshExchange busy(own.port(), "monitor", "secret");
  busy.send("#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=1#\"#");
  ASSERT_TRUE(own.wait_for_log("Debug: Executing RunCheckCommand."));
  EXPECT_EQ(own.stop(), 0);
  EXPECT_TRUE(idle.wait_closed());
  EXPECT_TRUE(busy.wait_closed());
  EXPECT_EQ(own.log_count("Debug: Closing 2 open sessions.\n"), 1u) << own.log();
  EXPECT_EQ(own.log_count("Info: Exiting.\n"), 1u) << own.log();
}

// Last: the other tests log in from 127.0.0.1 too.
TEST(QuorWorkerSshTest, PenaltiesBeginSpareOtherAddressesAndEnd) {
  for (int attempt = 0; attempt < 3; ++attempt) EXPECT_FALSE(logs_in(agent().port(), "wrong"));
  EXPECT_TRUE(agent().wait_for_log(
      "Warn: Client 127.0.0.1 blocked for 3 s after 3 failed logins (agent.maxAuthFailures)\n"));
  EXPECT_FALSE(logs_in(agent().port(), password));
  EXPECT_EQ(openssh(agent(), "monitor", password, "::1").out, greeting + listing);
  EXPECT_TRUE(wait_until(30, [] { return logs_in(agent().port(), password); }));
  EXPECT_EQ(agent().log_count("blocked for"), 1u);
}

}  // namespace
