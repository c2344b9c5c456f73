// The SSH service of the real agent, driven by SSH clients over loopback:
// libssh (through SshExchange) and OpenSSH's ssh (through sshpass).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/host_key.h"
#include "probe/process_probe.h"
#include "support/program.h"
#include "support/raw_connection.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"

namespace {

using testing_support::AgentConfig;
using testing_support::RawConnection;
using testing_support::RunningAgent;
using testing_support::SshExchange;
using testing_support::wait_until;

const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";
const std::string list_request = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string cpu_listing =
    "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
    "checkdescription1=CPU Usage#available1=true#";

std::string cpu_run(const std::string& limit) {
  return "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=" +
         limit + "#\"#";
}

// OpenSSH's ssh with the password through sshpass, kept away from the
// user's ~/.ssh state; the `extra` options come first and so win.
std::vector<std::string> openssh(const RunningAgent& agent, const std::string& user,
                                 const std::string& password,
                                 const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {"sshpass",   "-f", agent.password_file(password), "ssh", "-F",
                                   "/dev/null", "-p", std::to_string(agent.port())};
  argv.insert(argv.end(), extra.begin(), extra.end());
  for (const char* option :
       {"UserKnownHostsFile=/dev/null", "GlobalKnownHostsFile=/dev/null",
        "StrictHostKeyChecking=no", "PubkeyAuthentication=no", "LogLevel=ERROR"}) {
    argv.insert(argv.end(), {"-o", option});
  }
  argv.push_back(user + "@127.0.0.1");
  return argv;
}

// The agent the tests share unless they need one of their own; it logs
// everything.
RunningAgent& agent() {
  static RunningAgent shared([] {
    AgentConfig config;
    config.loglevel = "Trace";
    return config;
  }());
  return shared;
}

TEST(QuorWorkerSshTest, GreetingFirstThenOneRequestPerReadAndASilentLogout) {
  SshExchange session(agent().port(), "monitor", "secret");
  EXPECT_EQ(session.greeting(), greeting);
  const std::pair<std::string, std::string> cases[] = {
      {"#", "no keycount"},
      {"#keycount=1#", "no sessionid"},
      {"Xkeycount=1#sessionid=1#requestaction=foo#", "Command foo not implemented\n"},
      {"keycount=1#sessionid=1#requestaction=listchecks#", "no keycount"},
      {std::string("#keycount=1#sessionid=1#requestaction=listchecks#\0junk", 55), cpu_listing},
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
  EXPECT_EQ(session.request(list_request), cpu_listing);
}

TEST(QuorWorkerSshTest, OpenSshExecAloneNeverGetsTheGreeting) {
  auto argv = openssh(agent(), "monitor", "secret", {});
  argv.push_back("listchecks");
  const auto exec = testing_support::run_program(argv, list_request);
  EXPECT_NE(exec.status, 0);
  EXPECT_EQ(exec.out, "");
  EXPECT_TRUE(agent().wait_for_log("Error: SSH shell and pty phase error: "));
}

TEST(QuorWorkerSshTest, TwentyConcurrentSessionsGetTheirOwnAnswers) {
  constexpr int sessions = 20;
  std::vector<std::string> answers(sessions);
  std::vector<std::thread> threads;
  for (int i = 0; i < sessions; ++i) {
    threads.emplace_back([&answers, i] {
      try {
        SshExchange session(agent().port(), "monitor", "secret");
        answers[i] = session.greeting() + "|" + session.request(list_request) + "|" +
                     session.request(cpu_run(i % 2 == 0 ? "1000" : "-1"));
      } catch (const std::exception& error) {
        answers[i] = error.what();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < sessions; ++i) {
    const std::string expected = greeting + "|" + cpu_listing +
                                 "|#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#"
                                 "result=" +
                                 (i % 2 == 0 ? "up" : "down") + "#resultstring=";
    EXPECT_EQ(answers[i].compare(0, expected.size(), expected), 0) << i << ": " << answers[i];
    EXPECT_EQ(answers[i].back(), '#') << i << ": " << answers[i];
  }
}

TEST(QuorWorkerSshTest, ConnectAndDropClientsLeaveNoThreadsBehind) {
  const auto idle = [] { return probe::thread_count(agent().pid()) == 2; };
  ASSERT_TRUE(wait_until(30, idle));  // main and listen
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(RawConnection(agent().port()).connected());
    client::SshClient keys_only("127.0.0.1", agent().port());
    client::SshClient logged_in("127.0.0.1", agent().port());
    EXPECT_TRUE(logged_in.login("monitor", "secret"));
    SshExchange shell(agent().port(), "monitor", "secret");
  }
  EXPECT_TRUE(wait_until(60, idle)) << probe::thread_count(agent().pid()) << " threads";
  EXPECT_EQ(SshExchange(agent().port(), "monitor", "secret").request(list_request), cpu_listing);
}

// The blocked-signal mask of a thread of the process, from /proc.
unsigned long long blocked_signals(pid_t pid, pid_t thread) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(thread) +
                       "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 7, "SigBlk:") == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

TEST(QuorWorkerSshTest, StopSignalsLandOnTheMainThreadOnly) {
  SshExchange session(agent().port(), "monitor", "secret");
  ASSERT_TRUE(wait_until(30, [] { return probe::thread_count(agent().pid()) == 3; }));
  const unsigned long long stop_signals = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
  for (const pid_t thread : probe::thread_ids(agent().pid())) {  // main, listen, session
    EXPECT_EQ(blocked_signals(agent().pid(), thread) & stop_signals,
              thread == agent().pid() ? 0 : stop_signals)
        << thread;
  }
}

// Logins from both clients on an agent whose users are bound to address
// ranges; no password may reach its log.
TEST(QuorWorkerSshTest, LoginsAndTheirLogLines) {
  AgentConfig config;
  config.users = {{"inside", "Pa55-word-of-the-day"}, {"outside", "Other-pa55"}};
  config.firewall = {{"inside", "127.0.0.0 - 127.255.255.255"}, {"outside", "10.0.0.1 - 10.0.0.9"}};
  config.loglevel = "Trace";
  RunningAgent own(config);
  EXPECT_EQ(SshExchange(own.port(), "inside", "Pa55-word-of-the-day").request(list_request),
            cpu_listing);
  // ssh asks with another method first, is told to send a password, sends
  // it on the same connection, then asks for a pty and the shell (-tt).
  const auto pty = testing_support::run_program(
      openssh(own, "inside", "Pa55-word-of-the-day", {"-tt"}), list_request);
  EXPECT_EQ(pty.out, greeting + cpu_listing) << pty.err;
  // One password attempt per connection: the agent then hangs up.
  client::SshClient guess("127.0.0.1", own.port());
  EXPECT_FALSE(guess.login("inside", "Guess-0f-an-attacker"));
  EXPECT_THROW(guess.login("inside", "Pa55-word-of-the-day"), std::runtime_error);
  EXPECT_FALSE(client::SshClient("127.0.0.1", own.port()).login("outside", "Other-pa55"));
  EXPECT_FALSE(client::SshClient("127.0.0.1", own.port()).login("nobody", "Pa55-word-of-the-day"));

  ASSERT_TRUE(wait_until(30, [&] { return own.log_count("Data exchange thread exit.") == 5; }));
  const std::string log = own.log();
  for (const char* line :
       {"Debug: Authenticating user inside with password ******** from 127.0.0.1\n",
        "Warn: Authentication failed for user inside with password ********\n",
        "Warn: User outside from 127.0.0.1 was firewalled\n",
        "Warn: Authentication failed for user nobody with password ********\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
  }
  EXPECT_EQ(own.log_count(" with password ********"), 7u) << log;  // 5 attempts, 2 failures
  EXPECT_EQ(own.log_count("SSH connection established."), 2u) << log;
  EXPECT_EQ(own.log_count("Error:"), 0u) << log;
  EXPECT_EQ(log.find("Authentication failed for user outside"), std::string::npos) << log;
  for (const char* secret : {"Pa55-word", "Other-pa55", "Guess-0f"}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
}

TEST(QuorWorkerSshTest, StopsWithAnIdleClientAndWhileACheckRuns) {
  for (const bool check_runs : {false, true}) {
    SCOPED_TRACE(check_runs ? "check running" : "idle client");
    RunningAgent own;
    SshExchange session(own.port(), "monitor", "secret");
    if (check_runs) {
      session.send(cpu_run("1000"));
      ASSERT_TRUE(own.wait_for_log("Debug: Executing RunCheckCommand."));
    } else {
      ASSERT_EQ(session.request(list_request), cpu_listing);
    }
    EXPECT_EQ(own.stop(), 0);
    EXPECT_TRUE(session.wait_closed());
    EXPECT_EQ(own.log_count("Debug: Closing 1 open sessions.\n"), 1u) << own.log();
    EXPECT_EQ(own.log_count("Info: Exiting.\n"), 1u) << own.log();
  }
}

// Debian's libssh serves no DSA key: whatever stands in the DSA slot, the
// agent serves with its RSA key after one warning.
TEST(QuorWorkerSshTest, UnusableDsaKeyIsOneWarning) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "ssh_host_dsa_key: No such file or directory\n"},
      {"ssh_host_rsa_key.pub", "ssh_host_rsa_key.pub: not a readable private key"},
      {"ssh_host_rsa_key", "ssh_host_rsa_key: the key is not of type DSA"},
      {"real_dsa_key", "real_dsa_key: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    AgentConfig config;
    if (!c.first.empty()) config.agent_extra = "dsaKey = " + c.first + "\n";
    config.prepare = [](const std::string& folder) {
      testing_support::run_program(
          {"ssh-keygen", "-q", "-t", "dsa", "-N", "", "-f", folder + "/real_dsa_key"});
    };
    RunningAgent own(config);
    EXPECT_EQ(SshExchange(own.port(), "monitor", "secret").request(list_request), cpu_listing);
    EXPECT_EQ(own.log_count("Warn: Can not load DSA host key " + own.folder() + "/" + c.second), 1u)
        << own.log();
    EXPECT_EQ(own.log_count("Warn:"), 1u) << own.log();
  }
}

TEST(QuorWorkerSshTest, NoHostKeyOrAPortInUseMeansNoListener) {
  const testing_support::TempDir dir;
  testing_support::make_rsa_host_key(dir.path());
  // The agent on `port`, which must end by itself; its log.
  const auto log_of_run = [&dir](int port, const std::string& agent_lines) {
    const std::string name = "quor" + std::to_string(port);
    testing_support::AgentProcess process(
        {dir.write(name + ".ini", "[agent]\nport = " + std::to_string(port) +
                                      "\nkeyFolder = " + dir.path() + "\nloglevel = Info\n" +
                                      agent_lines + "\n[password]\nmonitor = secret\n")},
        dir.path() + "/" + name + ".log");
    EXPECT_EQ(process.wait(30), 0);
    return process.output();
  };
  const std::string no_key = log_of_run(testing_support::free_port(), "rsaKey = missing_key");
  EXPECT_NE(no_key.find("Warn: Can not load RSA host key " + dir.path() + "/missing_key: "),
            std::string::npos)
      << no_key;
  EXPECT_NE(no_key.find("Error: ssh_bind_listen failed: "), std::string::npos) << no_key;
  EXPECT_NE(no_key.find("Info: Exiting.\n"), std::string::npos) << no_key;
  const std::string port_taken = log_of_run(agent().port(), "");
  EXPECT_NE(port_taken.find("Error: ssh_bind_listen failed: "), std::string::npos) << port_taken;
}

TEST(QuorWorkerSshTest, AcceptingGoesOnAfterDescriptorsRanOut) {
  AgentConfig config;
  config.launcher = {"/usr/bin/prlimit", "--nofile=16:16"};
  RunningAgent own(config);
  // Idle connections hold a descriptor each until accepting fails. Beyond
  // that the listen queue fills, so stop opening them soon after.
  std::vector<std::unique_ptr<RawConnection>> idle;
  while (idle.size() < 30 && own.log_count("ssh_bind_accept error") == 0) {
    idle.push_back(std::make_unique<RawConnection>(own.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(own.wait_for_log("Error: ssh_bind_accept error: ")) << own.log();
  idle.clear();
  EXPECT_EQ(SshExchange(own.port(), "monitor", "secret").request(list_request), cpu_listing);
  EXPECT_EQ(own.log_count("ssh_bind_accept error"), 1u) << own.log();
}

}  // namespace
