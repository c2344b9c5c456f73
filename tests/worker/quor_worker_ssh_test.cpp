// The SSH service of the real agent, driven by SSH clients over loopback:
// libssh (through SshExchange) and OpenSSH's ssh (through sshpass).
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/regex.hpp>
#include <chrono>
#include <fstream>
#include <thread>

#include "support/agent_process.h"
#include "support/host_key.h"
#include "support/program.h"
#include "support/raw_connection.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"
#include "support/temp_dir.h"

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
const std::string logout_request = "#keycount=3#sessionid=1#requestaction=logout#";

std::string cpu_run(const std::string& limit) {
  return "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=" +
         limit + "#\"#";
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// OpenSSH's ssh with the password from `password_file`, kept away from the
// user's ~/.ssh state.
std::vector<std::string> openssh(const RunningAgent& agent, const std::string& password_file,
                                 const std::string& user, const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {
      "sshpass", "-f", password_file, "ssh", "-F", "/dev/null", "-p", std::to_string(agent.port())};
  for (const char* option :
       {"UserKnownHostsFile=/dev/null", "GlobalKnownHostsFile=/dev/null",
        "StrictHostKeyChecking=no", "PubkeyAuthentication=no", "LogLevel=ERROR"}) {
    argv.insert(argv.end(), {"-o", option});
  }
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.push_back(user + "@127.0.0.1");
  return argv;
}

TEST(QuorWorkerSshTest, GreetingComesBeforeAnyRequest) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  EXPECT_EQ(session.greeting(), greeting);
}

TEST(QuorWorkerSshTest, ListingAndCpuRun) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  EXPECT_EQ(session.request(list_request), cpu_listing);
  EXPECT_EQ(session.request("#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#"),
            "#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=\""
            "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#");
  const std::string up = session.request(cpu_run("1000"));
  EXPECT_TRUE(boost::regex_match(
      up, boost::regex("#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up#"
                       "resultstring=[^#]+#")))
      << up;
  const std::string down = session.request(cpu_run("-1"));
  EXPECT_NE(down.find("#checkid=CPU#result=down#resultstring="), std::string::npos) << down;
}

TEST(QuorWorkerSshTest, EveryReadIsOneRequestWithoutItsFirstByte) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  const std::pair<std::string, std::string> cases[] = {
      {"#", "no keycount"},
      {"#keycount=1#", "no sessionid"},
      {"Xkeycount=1#sessionid=1#requestaction=foo#", "Command foo not implemented\n"},
      {"keycount=1#sessionid=1#requestaction=listchecks#", "no keycount"},
      {std::string("#keycount=1#sessionid=1#requestaction=listchecks#\0junk", 55), cpu_listing},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(session.request(c.first), c.second) << c.first;
  }
}

TEST(QuorWorkerSshTest, LogoutIsSilentAndTheSessionGoesOn) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  session.send(logout_request);
  ASSERT_TRUE(agent.wait_for_log("Debug: Executing LogoutCommand.\n"));
  // Had the logout been answered, its bytes would come before the listing.
  EXPECT_EQ(session.request(list_request), cpu_listing);
}

TEST(QuorWorkerSshTest, WrongPasswordGetsOneAttemptAndNothingElse) {
  RunningAgent agent;
  client::SshClient connection("127.0.0.1", agent.port());
  EXPECT_FALSE(connection.login("monitor", "wrong"));
  EXPECT_THROW(
      {
        if (!connection.login("monitor", "secret")) throw std::runtime_error("refused");
      },
      std::runtime_error);
  ASSERT_TRUE(agent.wait_for_log("Debug: Data exchange thread exit.\n"));
  const std::string log = agent.log();
  EXPECT_NE(log.find("Warn: Authentication failed for user monitor with password ********\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("SSH connection established."), std::string::npos) << log;
  EXPECT_EQ(log.find("Error:"), std::string::npos) << log;
}

TEST(QuorWorkerSshTest, OpenSshWithWrongPasswordIsClosedAfterOneAttempt) {
  RunningAgent agent;
  const auto result = testing_support::run_program(
      openssh(agent, agent.password_file("wrong"), "monitor", {"-o", "NumberOfPasswordPrompts=3"}),
      list_request);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.out, "");
  ASSERT_TRUE(agent.wait_for_log("Debug: Data exchange thread exit.\n"));
  EXPECT_EQ(occurrences(agent.log(), "Authenticating user monitor"), 1u) << agent.log();
}

TEST(QuorWorkerSshTest, KeyOnlyClientIsToldPasswordIsTheMethod) {
  RunningAgent agent;
  const auto result = testing_support::run_program(
      {"ssh", "-F", "/dev/null", "-p", std::to_string(agent.port()), "-o",
       "UserKnownHostsFile=/dev/null", "-o", "GlobalKnownHostsFile=/dev/null", "-o",
       "StrictHostKeyChecking=no", "-o", "BatchMode=yes", "-o", "IdentityFile=/dev/null",
       "monitor@127.0.0.1"});
  EXPECT_EQ(result.status, 255);
  EXPECT_NE(result.err.find("Permission denied (password)"), std::string::npos) << result.err;
}

TEST(QuorWorkerSshTest, FirewallRefusesOutsideAndAcceptsInsideTheRange) {
  AgentConfig config;
  config.users = {{"inside", "pw1"}, {"outside", "pw2"}};
  config.firewall = {{"inside", "127.0.0.0 - 127.255.255.255"}, {"outside", "10.0.0.1 - 10.0.0.9"}};
  RunningAgent agent(config);
  SshExchange session(agent.port(), "inside", "pw1");
  EXPECT_EQ(session.request(list_request), cpu_listing);
  client::SshClient refused("127.0.0.1", agent.port());
  EXPECT_FALSE(refused.login("outside", "pw2"));
  ASSERT_TRUE(agent.wait_for_log("Warn: User outside from 127.0.0.1 was firewalled\n"));
  EXPECT_EQ(agent.log().find("Authentication failed"), std::string::npos) << agent.log();
}

TEST(QuorWorkerSshTest, UnknownUserIsRefused) {
  RunningAgent agent;
  client::SshClient connection("127.0.0.1", agent.port());
  EXPECT_FALSE(connection.login("nobody", "secret"));
  ASSERT_TRUE(
      agent.wait_for_log("Warn: Authentication failed for user nobody with password ********\n"));
  EXPECT_NE(agent.log().find("Debug: Not authenticated\n"), std::string::npos);
}

TEST(QuorWorkerSshTest, PtyThenShellReachesTheExchange) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret", true);
  EXPECT_EQ(session.greeting(), greeting);
  EXPECT_EQ(session.request(list_request), cpu_listing);
}

TEST(QuorWorkerSshTest, OpenSshWithPtyAndShellGetsAnswers) {
  RunningAgent agent;
  const auto result = testing_support::run_program(
      openssh(agent, agent.password_file("secret"), "monitor", {"-tt"}), list_request);
  EXPECT_EQ(result.out, greeting + cpu_listing) << result.err;
}

TEST(QuorWorkerSshTest, ExecAloneNeverReachesTheExchange) {
  RunningAgent agent;
  auto argv = openssh(agent, agent.password_file("secret"), "monitor", {});
  argv.push_back("listchecks");
  const auto exec = testing_support::run_program(argv, list_request);
  EXPECT_NE(exec.status, 0);
  EXPECT_EQ(exec.out, "");
  ASSERT_TRUE(agent.wait_for_log("Error: SSH shell and pty phase error: "));
  EXPECT_EQ(agent.log().find("SSH connection established."), std::string::npos) << agent.log();
}

TEST(QuorWorkerSshTest, TwentyConcurrentSessionsGetTheirOwnAnswers) {
  RunningAgent agent;
  constexpr int sessions = 20;
  std::vector<std::string> answers(sessions);
  std::vector<std::thread> threads;
  for (int i = 0; i < sessions; ++i) {
    threads.emplace_back([&agent, &answers, i] {
      try {
        SshExchange session(agent.port(), "monitor", "secret");
        const std::string limit = i % 2 == 0 ? "1000" : "-1";
        answers[i] = session.greeting() + "|" + session.request(list_request) + "|" +
                     session.request(cpu_run(limit));
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
  RunningAgent agent;
  const int idle_threads = 2;  // main and listen
  ASSERT_TRUE(
      wait_until(30, [&] { return testing_support::thread_count(agent.pid()) == idle_threads; }));
  for (int i = 0; i < 30; ++i) {
    RawConnection dropped(agent.port());
    EXPECT_TRUE(dropped.connected());
  }
  for (int i = 0; i < 10; ++i) {
    client::SshClient keys_only("127.0.0.1", agent.port());
  }
  for (int i = 0; i < 10; ++i) {
    client::SshClient logged_in("127.0.0.1", agent.port());
    EXPECT_TRUE(logged_in.login("monitor", "secret"));
  }
  for (int i = 0; i < 10; ++i) {
    SshExchange session(agent.port(), "monitor", "secret");
  }
  EXPECT_TRUE(
      wait_until(60, [&] { return testing_support::thread_count(agent.pid()) == idle_threads; }))
      << testing_support::thread_count(agent.pid()) << " threads";
  SshExchange still_served(agent.port(), "monitor", "secret");
  EXPECT_EQ(still_served.request(list_request), cpu_listing);
}

// The blocked-signal mask of a thread of the process, from /proc.
unsigned long long blocked_signals(pid_t pid, const std::string& thread) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + thread + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 7, "SigBlk:") == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

TEST(QuorWorkerSshTest, StopSignalsLandOnTheMainThreadOnly) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  const unsigned long long stop_signals = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
  const std::string main_thread = std::to_string(agent.pid());
  std::vector<std::string> threads;
  DIR* tasks = opendir(("/proc/" + main_thread + "/task").c_str());
  ASSERT_NE(tasks, nullptr);
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] != '.') threads.push_back(entry->d_name);
  }
  closedir(tasks);
  ASSERT_EQ(threads.size(), 3u);  // main, listen, session
  for (const std::string& thread : threads) {
    const unsigned long long blocked = blocked_signals(agent.pid(), thread) & stop_signals;
    EXPECT_EQ(blocked, thread == main_thread ? 0 : stop_signals) << thread;
  }
}

TEST(QuorWorkerSshTest, TheLogNeverContainsPasswords) {
  AgentConfig config;
  config.users = {{"monitor", "Pa55-word-of-the-day"}};
  config.loglevel = "Trace";
  RunningAgent agent(config);
  {
    SshExchange session(agent.port(), "monitor", "Pa55-word-of-the-day");
    session.request(list_request);
  }
  {
    client::SshClient refused("127.0.0.1", agent.port());
    EXPECT_FALSE(refused.login("monitor", "Guess-0f-an-attacker"));
  }
  const auto result = testing_support::run_program(
      openssh(agent, agent.password_file("Pa55-word-of-the-day"), "monitor", {"-tt"}),
      list_request);
  EXPECT_EQ(result.out, greeting + cpu_listing);
  ASSERT_TRUE(
      wait_until(30, [&] { return occurrences(agent.log(), "Data exchange thread exit.") == 3; }));
  const std::string log = agent.log();
  EXPECT_EQ(log.find("Pa55-word"), std::string::npos);
  EXPECT_EQ(log.find("Guess-0f"), std::string::npos);
  EXPECT_EQ(occurrences(log, "with password ********"), 4u) << log;
}

TEST(QuorWorkerSshTest, ReceivedRecordsCannotForgeLogLines) {
  AgentConfig config;
  config.loglevel = "Trace";
  RunningAgent agent(config);
  SshExchange session(agent.port(), "monitor", "secret");
  EXPECT_EQ(session.request("#keycount=1#sessionid=1#requestaction=x\r\nError: forged#"),
            "Command x\r\nError: forged not implemented\n");
  ASSERT_TRUE(agent.wait_for_log(
      "Received: #keycount=1#sessionid=1#requestaction=x\\r\\nError: forged#\n"));
  EXPECT_EQ(agent.log().find("\nError: forged"), std::string::npos);
}

TEST(QuorWorkerSshTest, AnExceptionClosesOnlyItsOwnSession) {
  RunningAgent agent;
  SshExchange bystander(agent.port(), "monitor", "secret");
  SshExchange victim(agent.port(), "monitor", "secret");
  // Quotes and separators the record parser's regular expression cannot
  // cope with: it throws.
  std::string record = "#";
  while (record.size() < 2048) record += "\"\"#";
  record.resize(2048);
  victim.send(record);
  EXPECT_TRUE(victim.wait_closed(60));
  ASSERT_TRUE(agent.wait_for_log("Error: Session closed after an exception: "));
  EXPECT_EQ(bystander.request(list_request), cpu_listing);
  SshExchange newcomer(agent.port(), "monitor", "secret");
  EXPECT_EQ(newcomer.request(list_request), cpu_listing);
  EXPECT_EQ(agent.stop(), 0);
}

TEST(QuorWorkerSshTest, StopWithAnIdleClientConnected) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  ASSERT_EQ(session.request(list_request), cpu_listing);
  EXPECT_EQ(agent.stop(), 0);
  EXPECT_TRUE(session.wait_closed(30));
  const std::string log = agent.log();
  EXPECT_NE(log.find("Debug: Closing 1 open sessions.\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Info: Exiting.\n"), std::string::npos) << log;
}

TEST(QuorWorkerSshTest, StopWhileACheckRuns) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  session.send(cpu_run("1000"));
  ASSERT_TRUE(agent.wait_for_log("Debug: Executing RunCheckCommand."));
  EXPECT_EQ(agent.stop(), 0);
  EXPECT_NE(agent.log().find("Info: Exiting.\n"), std::string::npos) << agent.log();
}

TEST(QuorWorkerSshTest, MissingDsaKeyIsOneWarning) {
  RunningAgent agent;
  SshExchange session(agent.port(), "monitor", "secret");
  const std::string warning = "Warn: Can not load DSA host key " + agent.folder() +
                              "/ssh_host_dsa_key: " + "No such file or directory\n";
  EXPECT_EQ(occurrences(agent.log(), warning), 1u) << agent.log();
  EXPECT_EQ(occurrences(agent.log(), "Warn:"), 1u) << agent.log();
}

TEST(QuorWorkerSshTest, UnusableDsaKeysAreOneWarningEach) {
  testing_support::TempDir probe;
  const bool dsa_keys = testing_support::run_program({"ssh-keygen", "-q", "-t", "dsa", "-N", "",
                                                      "-f", probe.path() + "/key"})
                            .status == 0;
  struct Case {
    std::string dsa_key;
    std::string reason;
  };
  std::vector<Case> cases = {{"ssh_host_rsa_key.pub", "not a readable private key"},
                             {"ssh_host_rsa_key", "the key is not of type DSA"}};
  // A real DSA key, which Debian's libssh does not serve.
  if (dsa_keys) cases.push_back({"ssh_host_dsa_key", ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dsa_key);
    AgentConfig config;
    config.agent_extra = "dsaKey = " + c.dsa_key + "\n";
    config.prepare = [](const std::string& folder) {
      testing_support::run_program(
          {"ssh-keygen", "-q", "-t", "dsa", "-N", "", "-f", folder + "/ssh_host_dsa_key"});
    };
    RunningAgent agent(config);
    SshExchange session(agent.port(), "monitor", "secret");
    EXPECT_EQ(session.request(list_request), cpu_listing);
    const std::string warning =
        "Warn: Can not load DSA host key " + agent.folder() + "/" + c.dsa_key + ": " + c.reason;
    EXPECT_EQ(occurrences(agent.log(), warning), 1u) << agent.log();
    EXPECT_EQ(occurrences(agent.log(), "Warn:"), 1u) << agent.log();
  }
}

class ListenFailureTest : public ::testing::Test {
 protected:
  std::string config(int port, const std::string& extra) const {
    testing_support::make_rsa_host_key(dir_.path());
    return dir_.write("quor.ini", "[agent]\nport = " + std::to_string(port) +
                                      "\nkeyFolder = " + dir_.path() + "\nloglevel = Info\n" +
                                      extra + "\n[password]\nmonitor = secret\n");
  }
  testing_support::TempDir dir_;
};

TEST_F(ListenFailureTest, NoHostKeyMeansNoListener) {
  testing_support::AgentProcess agent(
      {config(testing_support::free_port(), "rsaKey = missing_key\n")}, dir_.path() + "/log");
  EXPECT_EQ(agent.wait(30), 0);
  const std::string log = agent.output();
  EXPECT_NE(log.find("Warn: Can not load RSA host key " + dir_.path() + "/missing_key: "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Error: ssh_bind_listen failed: "), std::string::npos) << log;
  EXPECT_NE(log.find("Info: Exiting.\n"), std::string::npos) << log;
}

TEST_F(ListenFailureTest, PortInUse) {
  const int taken = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  socklen_t length = sizeof(address);
  getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
  listen(taken, 1);
  testing_support::AgentProcess agent({config(ntohs(address.sin_port), "")}, dir_.path() + "/log");
  EXPECT_EQ(agent.wait(30), 0);
  close(taken);
  EXPECT_NE(agent.output().find("Error: ssh_bind_listen failed: "), std::string::npos)
      << agent.output();
}

TEST(QuorWorkerSshTest, AcceptingGoesOnAfterDescriptorsRanOut) {
  AgentConfig config;
  config.launcher = {"/usr/bin/prlimit", "--nofile=16:16"};
  RunningAgent agent(config);
  // Idle connections hold a descriptor each until accepting fails. Beyond
  // that the listen queue fills, so stop opening them soon after.
  std::vector<std::unique_ptr<RawConnection>> idle;
  while (idle.size() < 30 && agent.log().find("ssh_bind_accept error") == std::string::npos) {
    idle.push_back(std::make_unique<RawConnection>(agent.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(agent.wait_for_log("Error: ssh_bind_accept error: ")) << agent.log();
  idle.clear();
  SshExchange session(agent.port(), "monitor", "secret");
  EXPECT_EQ(session.request(list_request), cpu_listing);
  EXPECT_EQ(occurrences(agent.log(), "ssh_bind_accept error"), 1u) << agent.log();
}

}  // namespace
