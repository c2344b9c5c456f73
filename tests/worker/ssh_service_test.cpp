// The SSH service as today's clients meet it: both address families,
// Ed25519 beside RSA, CIDR firewall blocks, login penalties, and the
// identification string sent before anything is read.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/program.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"

namespace {

using testing_support::AgentConfig;
using testing_support::ProgramResult;
using testing_support::run_program;
using testing_support::RunningAgent;
using testing_support::SshExchange;

const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";
const std::string logout = "#keycount=3#sessionid=1#requestaction=logout#";

// OpenSSH's ssh logging in to `host`, offering only `host_key` as host key
// algorithm; sends the logout record as its input.
ProgramResult openssh(const RunningAgent& agent, const std::string& user, const std::string& host,
                      const std::string& host_key) {
  std::vector<std::string> argv = {"sshpass", "-f", agent.password_file("secret"),
                                   "ssh",     "-F", "/dev/null",
                                   "-v",      "-p", std::to_string(agent.port())};
  for (const std::string& option :
       {std::string("HostKeyAlgorithms=") + host_key, std::string("UserKnownHostsFile=/dev/null"),
        std::string("StrictHostKeyChecking=no"), std::string("PubkeyAuthentication=no")}) {
    argv.insert(argv.end(), {"-o", option});
  }
  argv.push_back(user + "@" + host);
  return run_program(argv, logout);
}

AgentConfig dual_stack_config(const std::string& agent_extra) {
  AgentConfig config;
  config.users = {{"monitor", "secret"}, {"elsewhere", "secret"}};
  config.firewall = {{"monitor", "127.0.0.1/32, ::1/128"},
                     {"elsewhere", "10.0.0.0/8, 2001:db8::/32"}};
  config.agent_extra = "listen = 127.0.0.1, ::1\n" + agent_extra;
  config.prepare = [](const std::string& folder) {
    const ProgramResult made = run_program(
        {"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", folder + "/ssh_host_ed25519_key"});
    if (made.status != 0) throw std::runtime_error("ssh-keygen failed: " + made.err);
  };
  return config;
}

TEST(SshServiceTest, BothFamiliesBothKeysAndCidrRanges) {
  RunningAgent agent(dual_stack_config(""));
  const struct {
    std::string host, host_key, server_key;
  } cases[] = {
      {"127.0.0.1", "ssh-ed25519", "Server host key: ssh-ed25519"},
      {"::1", "ssh-ed25519", "Server host key: ssh-ed25519"},
      {"127.0.0.1", "rsa-sha2-512", "Server host key: ssh-rsa"},
      {"::1", "rsa-sha2-256", "Server host key: ssh-rsa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host + " " + c.host_key);
    const ProgramResult run = openssh(agent, "monitor", c.host, c.host_key);
    EXPECT_EQ(run.out, greeting);
    EXPECT_NE(run.err.find(c.server_key), std::string::npos) << run.err;
  }
  // Neither family passes a block of the other or one that misses it.
  for (const std::string host : {"127.0.0.1", "::1"}) {
    EXPECT_EQ(openssh(agent, "elsewhere", host, "ssh-ed25519").out, "") << host;
  }
  EXPECT_EQ(agent.log().find("::ffff:"), std::string::npos);
}

TEST(SshServiceTest, PenaltiesBeginSpareOtherAddressesAndEnd) {
  RunningAgent agent(dual_stack_config("maxAuthFailures = 3\nauthPenalty = 3\n"));
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_THROW(SshExchange(agent.port(), "monitor", "wrong"), std::runtime_error);
  }
  EXPECT_TRUE(agent.wait_for_log(
      "Client 127.0.0.1 blocked for 3 s after 3 failed logins (agent.maxAuthFailures)"));
  // The right password does not help while the penalty lasts, and the
  // refused connections leave nothing in the log.
  EXPECT_THROW(SshExchange(agent.port(), "monitor", "secret"), std::runtime_error);
  EXPECT_EQ(openssh(agent, "monitor", "::1", "ssh-ed25519").out, greeting);
  EXPECT_TRUE(testing_support::wait_until(30, [&agent] {
    try {
      return SshExchange(agent.port(), "monitor", "secret").greeting() == greeting;
    } catch (const std::runtime_error&) {
      return false;
    }
  }));
  EXPECT_EQ(agent.log_count("blocked for"), 1u);
}

// A hash printed by --hash-password logs in with its password, never with
// its own text.
TEST(SshServiceTest, HashedPasswords) {
  const ProgramResult hashed = run_program({QUOR2_BINARY, "--hash-password"}, "s3cret\n");
  ASSERT_EQ(hashed.status, 0) << hashed.err;
  ASSERT_EQ(hashed.out.rfind("{CRYPT}$y$", 0), 0u) << hashed.out;
  const std::string value = hashed.out.substr(0, hashed.out.size() - 1);
  AgentConfig config;
  config.users = {{"monitor", value}};
  RunningAgent agent(config);
  EXPECT_EQ(SshExchange(agent.port(), "monitor", "s3cret").greeting(), greeting);
  EXPECT_THROW(SshExchange(agent.port(), "monitor", value), std::runtime_error);
  EXPECT_EQ(agent.log().find("$y$"), std::string::npos);
}

TEST(SshServiceTest, IdentificationStringComesFirstWhateverTheClientSends) {
  RunningAgent agent;
  const char* const script =
      "import socket, sys\n"
      "s = socket.create_connection(('127.0.0.1', int(sys.argv[1])), timeout=30)\n"
      "s.sendall(b'GET / HTTP/1.0\\r\\n\\r\\n')\n"
      "print(s.recv(256).decode(errors='replace'), end='')\n";
  const ProgramResult run = run_program({"python3", "-c", script, std::to_string(agent.port())});
  EXPECT_EQ(run.out.rfind("SSH-2.0-", 0), 0u) << run.out << run.err;
  // So a URL check pointed at an SSH port reads a reply it can refuse.
  AgentConfig config;
  config.checks = "URL";
  RunningAgent checker(config);
  const std::string url = "http://127.0.0.1:" + std::to_string(agent.port()) + "/";
  EXPECT_EQ(SshExchange(checker.port(), "monitor", "secret")
                .request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=URL#para=\"#URL=" +
                         url + "#\"#"),
            "#keycount=4#responseaction=runcheck#sessionid=1#checkid=URL#errormessage=Invalid "
            "response#");
}

}  // namespace
