// The SSH service of the real agent over loopback, driven by OpenSSH's ssh
// (through sshpass) and by libssh (SshExchange).
#include <gtest/gtest.h>

#include "support/running_agent.h"
#include "utils/params.h"

namespace {

using namespace testing_support;

const std::string password = "Pa55-word";
const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";
const std::string list = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string listing =
    "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
    "checkdescription1=CPU Usage#available1=true#";

// ssh user@host through sshpass, away from ~/.ssh, on the list request.
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

bool logs_in(int port, const std::string& pass) {
  try {
    return SshExchange(port, "monitor", pass).greeting() == greeting;
  } catch (const std::runtime_error&) {
    return false;
  }
}

// What quor2 --hash-password printed for "s3cret".
const std::string hashed =
    "{CRYPT}$y$j9T$8LojeNkbDBlkD4zOnOYGH/$d.bvLyV0r5BvEzoTmsT3gci75.0mzw445QlhpJrew01";

// Both families and key types, users bound to ranges; it logs everything.
RunningAgent& agent() {
  static RunningAgent shared([] {
    AgentConfig config;
    config.users = {{"monitor", password}, {"ranged", password}, {"elsewhere", password},
                    {"hashed", hashed}};
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
  const struct {
    std::string user, pass, host;
    std::vector<std::string> options;
    bool ok;
  } cases[] = {
      {"monitor", password, "127.0.0.1", {"-oHostKeyAlgorithms=ssh-ed25519"}, true},
      {"monitor", password, "::1", {"-tt", "-oHostKeyAlgorithms=ssh-ed25519"}, true},
      {"monitor", password, "127.0.0.1", {"-oHostKeyAlgorithms=rsa-sha2-512"}, true},
      {"monitor", "wrong-Pa55", "127.0.0.1", {}, false},
      {"hashed", "s3cret", "::1", {"-oHostKeyAlgorithms=rsa-sha2-256"}, true},
      {"hashed", hashed, "127.0.0.1", {}, false},
      {"ranged", password, "127.0.0.1", {}, true},
      {"ranged", password, "::1", {"-tt"}, true},
      {"elsewhere", password, "127.0.0.1", {}, false},
      {"elsewhere", password, "::1", {}, false},
      // Only a shell is served: no command, no forwarding.
      {"monitor", password, "127.0.0.1", {"-oRemoteCommand=listchecks"}, false},
      {"monitor", password, "127.0.0.1", {"-W", "127.0.0.1:1"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user + "/" + c.pass + "@" + c.host);
    const ProgramResult run = openssh(agent(), c.user, c.pass, c.host, c.options);
    EXPECT_EQ(run.out, c.ok ? greeting + listing : "") << run.err;
    // A logout must not look like a dropped connection to scripts.
    EXPECT_EQ(run.status == 0, c.ok) << run.status;
    EXPECT_EQ(run.err.find("closed by remote host"), std::string::npos) << run.err;
    const bool rsa = !c.options.empty() && c.options.back().find("rsa") != std::string::npos;
    EXPECT_NE(run.err.find(rsa ? "Server host key: ssh-rsa" : "Server host key: ssh-ed25519"),
              std::string::npos) << run.err;
  }
  for (const char* never : {"Pa55", "s3cret", "$y$", "::ffff:"}) {
    EXPECT_EQ(agent().log().find(never), std::string::npos) << never;
  }
}

TEST(QuorWorkerSshTest, OneRequestPerRead) {
  SshExchange session(agent().port(), "monitor", password);
  const std::pair<std::string, std::string> cases[] = {
      {"#", "no keycount"},
      {"#keycount=1#", "no sessionid"},
      {std::string("#keycount=1#sessionid=1#requestaction=listchecks#\0junk", 55), listing},
      {"#keycount=1#sessionid=1#requestaction=x\r\nError: forged#",
       "Command x\r\nError: forged not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=definecheck#checkid=x\r\nError: forged#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=x{13}{10}Error: forged"
       "#parameters=\"#\"#"},
      {"#keycount=1#sessionid=1#requestaction=runcheck#checkid=SNMP#para=\"#OID=1.3"
       "#Community=c0mmunity#\"#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=SNMP#errormessage=Unknown check#"},
  };
  for (const auto& c : cases) EXPECT_EQ(session.request(c.first), c.second) << c.first;
  // Neither a user name, a check id nor a received record can forge a log
  // line; communities are masked.
  EXPECT_THROW(SshExchange(agent().port(), "evil\r\nError: forged", password), std::runtime_error);
  ASSERT_TRUE(agent().wait_for_log("Warn: Authentication failed for user evil\\r\\nError: forged"));
  ASSERT_TRUE(agent().wait_for_log("Error: Unknown check x\\r\\nError: forged\n"));
  ASSERT_TRUE(agent().wait_for_log("and para=OID=1.3#Community=********\n"));
  EXPECT_EQ(agent().log().find("\nError: forged"), std::string::npos);
  EXPECT_EQ(agent().log().find("c0mmunity"), std::string::npos);
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
  EXPECT_TRUE(own.wait_for_log("Warn: Connection from 127.0.0.1 refused: the limit of 4 "
                               "sessions is reached (agent.maxSessions)\n"));
  const std::string closed = "closed: no login within 2 s (agent.loginGraceTime)\n";
  EXPECT_TRUE(wait_until(30, [&] { return own.log_count(closed) == 3; })) << own.log();
  EXPECT_THROW(keys_only.login("monitor", "secret"), std::runtime_error);
  EXPECT_THROW(no_shell.open_shell(), std::runtime_error);
  EXPECT_EQ(idle.request(list), listing);
  EXPECT_TRUE(wait_until(30, [&own] { return logs_in(own.port(), "secret"); }));
  EXPECT_EQ(own.log_count("Error:"), 0u) << own.log();
  SshExchange busy(own.port(), "monitor", "secret");
  busy.send(
      "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=1#\"#");
  ASSERT_TRUE(own.wait_for_log("Debug: Executing RunCheckCommand."));
  EXPECT_EQ(own.stop(), 0);
  EXPECT_TRUE(idle.wait_closed() && busy.wait_closed());
  EXPECT_EQ(own.log_count("Debug: Closing 2 open sessions.\n"), 1u) << own.log();
}

// Last: the other tests log in from 127.0.0.1 too.
TEST(QuorWorkerSshTest, PenaltiesBeginSpareOtherAddressesAndEnd) {
  client::SshClient opened_before("127.0.0.1", agent().port());
  for (int attempt = 0; attempt < 3; ++attempt) EXPECT_FALSE(logs_in(agent().port(), "wrong"));
  EXPECT_TRUE(agent().wait_for_log(
      "Warn: Client 127.0.0.1 blocked for 3 s after 3 failed logins (agent.maxAuthFailures)\n"));
  EXPECT_FALSE(opened_before.login("monitor", password));
  EXPECT_FALSE(logs_in(agent().port(), password));
  EXPECT_EQ(openssh(agent(), "monitor", password, "::1").out, greeting + listing);
  EXPECT_TRUE(wait_until(30, [] { return logs_in(agent().port(), password); }));
  EXPECT_EQ(agent().log_count("blocked for"), 1u);
}

// The checks that need no test server; the URL check reads the agent's own
// SSH port, whose identification string comes before it reads anything.
TEST(ChecksOverSsh, EachCheckGivesAVerdict) {
  AgentConfig config;
  config.checks = "CPU, RAM, Swap, DiskSpace, Processes, Ping, URL";
  config.loglevel = "Warn";
  const RunningAgent agent(config);
  const std::pair<std::string, std::string> runs[] = {  // "#checkid=" and its answer's start
      {"CPU#para=\"#Load Limit [%]=1000#\"#", "result=up#resultstring=CPU load is "},
      {"RAM#para=\"#Free RAM Limit [%]=0#\"#", "result="},
      {"Swap#para=\"#Free Swap Limit [%]=0#\"#", "result="},
      {"DiskSpace#para=\"#Disk Free Limit [%]=100#Disks=/#\"#", "result=up#resultstring=Disk /"},
      {"Processes#para=\"#Select Process=no such process here#\"#",
       "result=down#resultstring=Process no such process here is not running#"},
      {"Ping#para=\"#Host name or IP=127.0.0.1#Number of packets=2#Overall timeout [s]=10"
       "#Success rate limit [%]=50#\"#",
       "result=up#resultstring=100.00%  pings fall into rtt limit. Avg. rtt is "},
      {"URL#para=\"#URL=http://127.0.0.1:" + std::to_string(agent.port()) + "/#\"#",
       "errormessage=Invalid response#"},
  };
  // Another user's process whose name would forge fields is offered escaped.
  const AgentProcess evil({"--reuid=nobody", "--regid=nogroup", "--clear-groups", "bash", "-c",
                           "exec -a \"$0\" sleep 60", "evil\"#checkid=CPU#result=up#x=\""},
                          "/dev/null", "setpriv");
  SshExchange session(agent.port(), "monitor", "secret");
  utils::ParamsMap combo;
  EXPECT_TRUE(wait_until(30, [&] {
    combo = utils::get_params_map(session.request(
        "#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=Processes#"));
    return combo["parameters"].find("=evil{34}{35}checkid=CPU{35}result=up{35}x={34}") !=
           std::string::npos;
  }));
  EXPECT_EQ(combo.size(), 5u);  // keycount, responseaction, sessionid, checkid, parameters
  for (const auto& run : runs) {
    const std::string id = run.first.substr(0, run.first.find('#'));
    const std::string answer =
        session.request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + run.first);
    const std::string expected = std::string("#keycount=") + (id == "URL" ? "4" : "5") +
                                 "#responseaction=runcheck#sessionid=1#checkid=" + id + "#" +
                                 run.second;
    EXPECT_EQ(answer.substr(0, expected.size()), expected);
    EXPECT_EQ(answer.back(), '#') << answer;
  }
}

}  // namespace
