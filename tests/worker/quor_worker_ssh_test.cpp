// The SSH service of the real agent over loopback, driven by OpenSSH's ssh
// (through sshpass) and by libssh (SshExchange).
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "probe/process_probe.h"
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

// ssh user@host [command], the password through sshpass, away from ~/.ssh;
// `extra` comes first and so wins. Its input is the list request.
ProgramResult openssh(const RunningAgent& agent, const std::string& user, const std::string& pass,
                      const std::string& host, const std::vector<std::string>& extra = {},
                      const std::string& command = "") {
  std::vector<std::string> argv = {"sshpass", "-f", agent.password_file(pass), "ssh", "-v",
                                   "-F", "/dev/null", "-p", std::to_string(agent.port())};
  argv.insert(argv.end(), extra.begin(), extra.end());
  for (const char* option : {"UserKnownHostsFile=/dev/null", "GlobalKnownHostsFile=/dev/null",
                             "StrictHostKeyChecking=no", "PubkeyAuthentication=no"}) {
    argv.insert(argv.end(), {"-o", option});
  }
  argv.push_back(user + "@" + host);
  if (!command.empty()) argv.push_back(command);
  return run_program(argv, list);
}

// Both families and key types, users bound to ranges; it logs everything.
AgentConfig dual_stack(const std::string& agent_extra) {
  AgentConfig config;
  config.users = {{"monitor", password}, {"ranged", password}, {"elsewhere", password}};
  config.firewall = {{"ranged", "10.0.0.0/8, 127.0.0.1 - 127.0.0.9, ::1/128"},
                     {"elsewhere", "10.0.0.0/8, 2001:db8::/32"}};
  config.key_types = {"rsa", "ed25519"};
  config.loglevel = "Trace";
  config.agent_extra = "listen = 127.0.0.1, ::1\n" + agent_extra;
  return config;
}

// What --hash-password prints for "s3cret".
const std::string& hashed() {
  static const std::string value =
      run_program({QUOR2_BINARY, "--hash-password"}, "s3cret\n").out;
  return value;
}

RunningAgent& agent() {
  static RunningAgent shared([] {
    AgentConfig config = dual_stack("maxAuthFailures = 0\n");
    config.users["hashed"] = hashed().substr(0, hashed().size() - 1);
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
      {"hashed", hashed().substr(0, hashed().size() - 1), "127.0.0.1", "rsa-sha2-256", false, false},
      {"ranged", password, "127.0.0.1", "rsa-sha2-256", true, false},
      {"ranged", password, "::1", "rsa-sha2-256", true, true},
      {"elsewhere", password, "127.0.0.1", "rsa-sha2-256", false, false},
      {"elsewhere", password, "::1", "rsa-sha2-256", false, false},
      {"nobody", password, "127.0.0.1", "rsa-sha2-256", false, false},
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
  const std::string log = agent().log();
  for (const char* line : {"Warn: Authentication failed for user monitor with password ********\n",
                           "Warn: User elsewhere from 127.0.0.1 was firewalled\n",
                           "Warn: User elsewhere from ::1 was firewalled\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
  for (const char* never : {"Pa55", "s3cret", "$y$", "::ffff:"}) {
    EXPECT_EQ(log.find(never), std::string::npos) << never;
  }
}

TEST(QuorWorkerSshTest, OpenSshExecAloneNeverGetsTheGreeting) {
  const ProgramResult exec = openssh(agent(), "monitor", password, "127.0.0.1", {}, "listchecks");
  EXPECT_NE(exec.status, 0);
  EXPECT_EQ(exec.out, "");
  EXPECT_TRUE(agent().wait_for_log("Error: SSH shell and pty phase error: "));
}

TEST(QuorWorkerSshTest, OneRequestPerReadAndASilentLogout) {
  SshExchange session(agent().port(), "monitor", password);
  EXPECT_EQ(session.greeting(), greeting);
  const std::pair<std::string, std::string> cases[] = {
      {"#", "no keycount"},
      {"#keycount=1#", "no sessionid"},
      {"Xkeycount=1#sessionid=1#requestaction=foo#", "Command foo not implemented\n"},
      {"keycount=1#sessionid=1#requestaction=listchecks#", "no keycount"},
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

TEST(QuorWorkerSshTest, ConcurrentAndDroppedClientsLeaveNoThreadsBehind) {
  const auto idle = [] { return probe::thread_count(agent().pid()) == 2; };  // main, listen
  ASSERT_TRUE(wait_until(30, idle));
  std::vector<std::string> answers(8);
  std::vector<std::thread> clients;
  for (std::string& answer : answers) {
    clients.emplace_back([&answer] {
      try {
        const RawConnection silent(agent().port());
        const client::SshClient keys_only("127.0.0.1", agent().port());
        client::SshClient("127.0.0.1", agent().port()).login("monitor", password);
        answer = SshExchange(agent().port(), "monitor", password).request(list);
      } catch (const std::exception& error) {
        answer = error.what();
      }
    });
  }
  for (std::thread& client : clients) client.join();
  for (const std::string& answer : answers) EXPECT_EQ(answer, listing);
  EXPECT_TRUE(wait_until(60, idle)) << probe::thread_count(agent().pid()) << " threads";
}

TEST(QuorWorkerSshTest, StopSignalsLandOnTheMainThreadOnly) {
  SshExchange session(agent().port(), "monitor", password);
  ASSERT_TRUE(wait_until(30, [] { return probe::thread_count(agent().pid()) == 3; }));
  const unsigned long long stop = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
  for (const pid_t thread : probe::thread_ids(agent().pid())) {
    std::ifstream status("/proc/" + std::to_string(agent().pid()) + "/task/" +
                         std::to_string(thread) + "/status");
    std::string line;
    while (std::getline(status, line) && line.compare(0, 7, "SigBlk:") != 0) {
    }
    EXPECT_EQ(std::stoull(line.substr(7), nullptr, 16) & stop, thread == agent().pid() ? 0 : stop);
  }
}

TEST(QuorWorkerSshTest, PenaltiesBeginSpareOtherAddressesAndEnd) {
  RunningAgent own(dual_stack("maxAuthFailures = 3\nauthPenalty = 3\n"));
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_THROW(SshExchange(own.port(), "monitor", "wrong"), std::runtime_error);
  }
  EXPECT_TRUE(own.wait_for_log(
      "Warn: Client 127.0.0.1 blocked for 3 s after 3 failed logins (agent.maxAuthFailures)\n"));
  EXPECT_THROW(SshExchange(own.port(), "monitor", password), std::runtime_error);
  EXPECT_EQ(openssh(own, "monitor", password, "::1").out, greeting + listing);
  EXPECT_TRUE(wait_until(30, [&own] {
    try {
      return SshExchange(own.port(), "monitor", password).greeting() == greeting;
    } catch (const std::runtime_error&) {
      return false;
    }
  }));
  EXPECT_EQ(own.log_count("blocked for"), 1u);
}

TEST(QuorWorkerSshTest, StopsWithAnIdleClientAndWhileACheckRuns) {
  for (const bool check_runs : {false, true}) {
    RunningAgent own;
    SshExchange session(own.port(), "monitor", "secret");
    if (check_runs) {
      session.send("#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#\"#");
      ASSERT_TRUE(own.wait_for_log("Debug: Executing RunCheckCommand."));
    } else {
      ASSERT_EQ(session.request(list), listing);
    }
    EXPECT_EQ(own.stop(), 0);
    EXPECT_TRUE(session.wait_closed());
    EXPECT_EQ(own.log_count("Debug: Closing 1 open sessions.\n"), 1u) << own.log();
    EXPECT_EQ(own.log_count("Info: Exiting.\n"), 1u) << own.log();
  }
}

TEST(QuorWorkerSshTest, APortInUseMeansNoListenerAndExit0) {
  const TempDir dir;
  AgentConfig config;
  config.agent_extra = "listen = 127.0.0.1\n";
  AgentProcess process({write_config(dir, config, agent().port())}, dir.path() + "/log");
  EXPECT_EQ(process.wait(30), 0);
  EXPECT_NE(process.output().find("Error: ssh_bind_listen failed: "), std::string::npos);
}

TEST(QuorWorkerSshTest, AcceptingGoesOnAfterDescriptorsRanOut) {
  AgentConfig config;
  config.launcher = {"/usr/bin/prlimit", "--nofile=16:16"};
  RunningAgent own(config);
  // Beyond the failing accept the listen queue fills: stop soon after.
  std::vector<std::unique_ptr<RawConnection>> idle;
  while (idle.size() < 30 && own.log_count("ssh_bind_accept error") == 0) {
    idle.push_back(std::make_unique<RawConnection>(own.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(own.wait_for_log("Error: ssh_bind_accept error: ")) << own.log();
  idle.clear();
  EXPECT_EQ(SshExchange(own.port(), "monitor", "secret").request(list), listing);
  EXPECT_EQ(own.log_count("ssh_bind_accept error"), 1u) << own.log();
}

bool can_log_in(const RunningAgent& agent) {
  try {
    return client::SshClient("127.0.0.1", agent.port()).login("monitor", "secret");
  } catch (const std::exception&) {
    return false;
  }
}

TEST(QuorWorkerSshTest, ConnectionsBeyondMaxSessionsAreClosedAtOnce) {
  AgentConfig config;
  config.agent_extra = "maxSessions = 2\n";
  RunningAgent own(config);
  // A logged-in session and one that never logs in hold both places.
  auto session = std::make_unique<SshExchange>(own.port(), "monitor", "secret");
  const RawConnection silent(own.port());
  ASSERT_TRUE(wait_until(30, [&] { return own.log_count("Info: Connection from") == 2; }));
  EXPECT_TRUE(RawConnection(own.port()).wait_closed());
  EXPECT_FALSE(can_log_in(own));
  ASSERT_TRUE(wait_until(30, [&] {
    return own.log_count("Warn: Connection from 127.0.0.1 refused: the limit of 2 sessions is "
                         "reached (agent.maxSessions)\n") == 2;
  })) << own.log();
  // Nothing else is disturbed, and a freed place is taken again.
  EXPECT_EQ(session->request(list), listing);
  session.reset();
  ASSERT_TRUE(own.wait_for_log("Debug: Data exchange thread exit.\n"));
  EXPECT_EQ(SshExchange(own.port(), "monitor", "secret").request(list), listing);
  EXPECT_EQ(own.log_count("Error:"), 0u) << own.log();
}

TEST(QuorWorkerSshTest, GraceTimeClosesOnlyConnectionsWithoutAShell) {
  AgentConfig config;
  config.agent_extra = "loginGraceTime = 1\n";
  RunningAgent own(config);
  SshExchange idle(own.port(), "monitor", "secret");  // servers stay between polls
  const RawConnection silent(own.port());             // not even a banner
  client::SshClient keys_only("127.0.0.1", own.port());
  client::SshClient no_shell("127.0.0.1", own.port());
  ASSERT_TRUE(no_shell.login("monitor", "secret"));
  EXPECT_TRUE(silent.wait_closed());
  ASSERT_TRUE(wait_until(30, [&] {
    return own.log_count("Warn: Connection from 127.0.0.1 closed: no login within 1 s "
                         "(agent.loginGraceTime)\n") == 3;
  })) << own.log();
  EXPECT_THROW(keys_only.login("monitor", "secret"), std::runtime_error);
  EXPECT_THROW(no_shell.open_shell(), std::runtime_error);
  ASSERT_TRUE(wait_until(30, [&] { return own.log_count("Data exchange thread exit.\n") == 3; }));
  EXPECT_EQ(idle.request(list), listing);
  EXPECT_EQ(own.log_count("closed: no login"), 3u) << own.log();
  EXPECT_EQ(own.log_count("Error:"), 0u) << own.log();
  EXPECT_TRUE(can_log_in(own));
}

}  // namespace
