// The agent binary as an administrator runs it: command lines and
// configurations, and what they print, log and exit with.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/algorithm/string/replace.hpp>
#include <gtest/gtest.h>

#include "support/running_agent.h"

namespace {

using namespace testing_support;

TEST(MainTest, CommandLines) {
  const struct {
    std::vector<std::string> args;  // CONFIG: the configuration's path; DIR: its folder
    std::string agent;              // [agent] lines, or from "[" the whole file
    mode_t mode;
    int signal;  // sent once the agent started; without, it ends by itself
    int status;
    std::vector<std::string> present;
  } cases[] = {
      {{"--hash-password"}, "", 0600, 0, 0, {"{CRYPT}$y$"}},  // of s3cret on standard input
      {{"--version"}, "", 0600, 0, 0, {"quor2-2.0.0\n"}},
      {{"--help"}, "", 0600, 0, 0, {"Usage: quor2 [CONFIG]\n"}},
      {{"--check-config"}, "", 0600, 0, 255, {"Usage: quor2 [CONFIG]\n"}},
      {{"--check-config", "CONFIG"}, "timeout = 7\nramFree = fast", 0600, 0, 0,
       {"  timeout = 7\n  maxSessions = ", "  ramFree = free\n", "  user monitor = ********\n",
        "  firewall monitor = 10.0.0.1 - 10.0.0.9\n", "  host keys loaded = RSA\n",
        "warning: DSA host key DIR/ssh_host_dsa_key is not used: No such file or directory\n"
        "warning: ramFree \"fast\" is neither free nor available; free is used\n"
        "The agent would start.\n"}},
      {{"--check-config", "CONFIG"},
       "[agent]\nkeyFolder = DIR\nchecks = cpu\ndsaKey = ssh_host_rsa_key\nlisten = ::1, nowhere\n"
       "[password]\na = x\n[firewall]\na = 10.0.0.5\nb = 10.0.0.9 - 10.0.0.1", 0644, 0, 0,
       {"warning: the file can be read by users other than its owner; it holds passwords\n",
        "warning: listen address \"nowhere\" is not an IPv4 or IPv6 address;",
        "warning: DSA host key DIR/ssh_host_rsa_key is not used: the key is not of type DSA\n",
        "warning: firewall line of user a is not address ranges or CIDR blocks;",
        "warning: firewall range of user b holds no address; the user cannot log in\n"
        "warning: firewall line for b, who is no user in [password]\n"
        "warning: unknown check id \"cpu\" is ignored\nThe agent would start.\n"}},
      {{"--check-config", "DIR/none.ini"}, "", 0600, 0, 255,
       {"error: the file cannot be read: ", "The agent would not start.\n"}},
      {{"--check-config", "CONFIG"},
       "rsaKey = missing\nport = 70000\nlisten = nowhere\nlog = /none/quor2.log", 0600, 0, 255,
       {"error: port 70000 is out of range\nerror: log file /none/quor2.log: its folder /none is "
        "missing or not writable\nerror: no listen address is an IPv4 or IPv6 address\nerror: no "
        "host key loads: RSA DIR/missing: No such file or directory; DSA DIR/ssh_host_dsa_key: No "
        "such file or directory\n"}},
      {{"CONFIG"}, "", 0644, SIGINT, 0,
       {"Debug: Signal2 caught\n",
        "Warn: Configuration file DIR/quor.ini can be read by users other than its owner"}},
      {{"CONFIG"}, "log = DIR/agent.log", 0600, SIGTERM, 0,
       {"Info: Starting quor2-2.0.0\n", "Info: Exiting.\n"}},
      {{"CONFIG"}, "log = DIR/no/agent.log", 0600, 0, 1,
       {"Error: Can not open log file: No such file or directory\n"}},
      // A link at the log path is refused (DIR/link.log to DIR/agent.log).
      {{"CONFIG"}, "log = DIR/link.log", 0600, 0, 1,
       {"Error: Can not open log file: Too many levels of symbolic links\n"}},
      {{"CONFIG"}, "[agent]\nport = 1\n", 0600, 0, 255, {") Error: Error parsing ini file: "}},
      // Without a host key nothing listens: the daemon ends by itself.
      {{"CONFIG"}, "daemonize = true\nrsaKey = missing_key\nlog = DIR/agent.log", 0600, 0, 0,
       {"Warn: Can not load RSA host key DIR/missing_key: ", "Debug: Daemonized.\n",
        "Error: ssh_bind_listen failed: ", "Info: Exiting.\n"}},
  };
  for (const auto& c : cases) {
    const TempDir dir;
    const auto in_dir = [&dir](std::string text) {
      boost::replace_all(text, "DIR", dir.path());
      return text;
    };
    AgentConfig config;
    config.users = {{"monitor", "s3cret"}};
    config.firewall = {{"monitor", "10.0.0.1 - 10.0.0.9"}};
    config.agent_extra = c.agent[0] == '[' ? "" : in_dir(c.agent);
    std::string path = write_config(dir, config, c.signal != 0 ? free_port() : 0);
    if (c.agent[0] == '[') path = dir.write("quor.ini", in_dir(c.agent));
    chmod(path.c_str(), c.mode);
    symlink((dir.path() + "/agent.log").c_str(), (dir.path() + "/link.log").c_str());
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(arg == "CONFIG" ? path : in_dir(arg));
    SCOPED_TRACE(args.back() + " " + c.agent);
    AgentProcess agent(args, dir.path() + "/err", QUOR2_BINARY, dir.path() + "/out",
                       dir.write("in", "s3cret\n"));
    const auto text = [&] { return dir.read("out") + dir.read("err") + dir.read("agent.log"); };
    if (c.signal != 0) {
      // ThreadSanitizer may drop a signal that lands while the host keys load.
      const std::string up = "Listen thread started.";
      ASSERT_TRUE(wait_until(30, [&] { return text().find(up) != std::string::npos; }));
      agent.signal(c.signal);
    }
    EXPECT_EQ(agent.wait(30), c.status);
    for (const std::string& part : c.present) {
      EXPECT_TRUE(wait_until(10, [&] { return text().find(in_dir(part)) != std::string::npos; }))
          << part << text();
    }
    EXPECT_EQ(text().find("s3cret"), std::string::npos);  // the password
    struct stat log;  // the agent's own log is for its group at most
    EXPECT_TRUE(stat((dir.path() + "/agent.log").c_str(), &log) != 0 ||
                (log.st_mode & 0777) == 0640);
    EXPECT_TRUE(dir.read("agent.log").empty() || dir.read("err").empty()) << dir.read("err");
  }
}

}  // namespace
