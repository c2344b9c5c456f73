// The agent binary as an administrator runs it: command lines and
// configurations, and what they print, log and exit with.
#include <signal.h>
#include <sys/stat.h>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>
#include <fstream>
#include <gtest/gtest.h>

#include "probe/process_probe.h"
#include "support/running_agent.h"

namespace {

using namespace testing_support;

TEST(MainTest, CommandLines) {
  const struct {
    std::vector<std::string> args;  // CONFIG: the configuration's path
    std::string agent_lines;        // of the [agent] section
    std::string file;               // else the whole file
    mode_t mode;
    int signal;  // sent once the agent started; none: it ends by itself
    int status;
    std::vector<std::string> present;
    std::string absent;
  } cases[] = {
      {{"--version"}, "", "", 0600, 0, 0, {"quor2-2.0.0\n"}, ""},
      {{"--help"}, "", "", 0600, 0, 0, {"Usage: quor2 [CONFIG]\n"}, ""},
      {{"--check-config"}, "", "", 0600, 0, 255, {"Usage: quor2 [CONFIG]\n"}, ""},
      {{"--hash-password"}, "", "", 0600, 0, 1, {"quor2: no password given\n"}, ""},
      {{"--check-config", "CONFIG"}, "timeout = 7", "", 0600, 0, 0,
       {"  timeout = 7\n", "  user monitor = ********\n",
        "  firewall monitor = 10.0.0.1 - 10.0.0.9\n", "  host keys loaded = RSA\n",
        "warning: DSA host key DIR/ssh_host_dsa_key is not used: No such file or directory\n",
        "The agent would start.\n"},
       "s3cret"},
      {{"--check-config", "CONFIG"}, "",
       "[agent]\nkeyFolder = DIR\nchecks = CPU, cpu, Disk\ndsaKey = ssh_host_rsa_key\n"
       "listen = ::1, nowhere\n[password]\na = x\n[firewall]\na = 10.0.0.5\nb = 10.0.0.9 - 10.0.0.1",
       0644, 0, 0,
       {"warning: the file can be read by users other than its owner; it holds passwords\n"
        "warning: listen address \"nowhere\" is not an IPv4 or IPv6 address; the agent does not "
        "listen there\n"
        "warning: DSA host key DIR/ssh_host_rsa_key is not used: the key is not of type DSA\n"
        "warning: firewall line of user a is not address ranges or CIDR blocks; the user is not "
        "restricted\n"
        "warning: firewall range of user b holds no address; the user cannot log in\n"
        "warning: firewall line for b, who is no user in [password]\n"
        "warning: unknown check id \"Disk\" is ignored\n"
        "warning: unknown check id \"cpu\" is ignored\nThe agent would start.\n"},
       "error:"},
      {{"--check-config", "CONFIG"}, "dsaKey = ssh_host_rsa_key.pub", "", 0600, 0, 0,
       {"DSA host key DIR/ssh_host_rsa_key.pub is not used: not a readable private key\n"}, ""},
      {{"--check-config", "DIR/missing.ini"}, "", "", 0600, 0, 255,
       {"error: the file cannot be read: ", "The agent would not start.\n"}, ""},
      {{"--check-config", "CONFIG"}, "rsaKey = missing", "", 0600, 0, 255,
       {"error: no host key loads: RSA DIR/missing: No such file or directory; DSA "
        "DIR/ssh_host_dsa_key: No such file or directory\n"},
       ""},
      {{"--check-config", "CONFIG"}, "port = 70000", "", 0600, 0, 255,
       {"error: port 70000 is out of range\n"}, ""},
      {{"--check-config", "CONFIG"}, "listen = nowhere", "", 0600, 0, 255,
       {"error: no listen address is an IPv4 or IPv6 address\n"}, ""},
      {{"--check-config", "CONFIG"}, "log = /nonexistent-folder/quor2.log", "", 0600, 0, 255,
       {"error: log file /nonexistent-folder/quor2.log: its folder /nonexistent-folder is "
        "missing or not writable\n"},
       ""},
      {{"CONFIG"}, "", "", 0600, SIGTERM, 0,
       {"Info: Starting quor2-2.0.0\n", "Info: Exiting.\n"}, "can be read"},
      {{"CONFIG"}, "", "", 0644, SIGINT, 0,
       {"Debug: Signal2 caught\n",
        "Warn: Configuration file DIR/quor.ini can be read by users other than its owner"},
       "s3cret"},
      {{"CONFIG"}, "log = DIR/agent.log", "", 0600, SIGTERM, 0,
       {"Info: Starting quor2-2.0.0\n", "Info: Exiting.\n"}, ""},
      {{"CONFIG"}, "log = DIR/no/such/agent.log", "", 0600, 0, 1,
       {"Error: Can not open log file: No such file or directory\n"}, ""},
      {{"CONFIG"}, "", "[agent]\nport = 1\n", 0600, 0, 255,
       {") Error: Error parsing ini file: "}, ""},
      {{"CONFIG"}, "rsaKey = missing_key", "", 0600, 0, 0,
       {"Warn: Can not load RSA host key DIR/missing_key: ", "Error: ssh_bind_listen failed: ",
        "Info: Exiting.\n"},
       ""},
  };
  const boost::regex log_line(
      "\\[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 123][0-9] [0-9:]{8} [0-9]{4}\\] \\([0-9a-f]+\\) "
      "(Trace|Debug|Info|Warn|Error): [^\\n]*");
  for (const auto& c : cases) {
    const TempDir dir;
    const auto in_dir = [&dir](std::string text) {
      boost::replace_all(text, "DIR", dir.path());
      return text;
    };
    AgentConfig config;
    config.users = {{"monitor", "s3cret"}};
    config.firewall = {{"monitor", "10.0.0.1 - 10.0.0.9"}};
    config.agent_extra = in_dir(c.agent_lines);
    std::string path = write_config(dir, config, c.signal != 0 ? free_port() : 0);
    if (!c.file.empty()) path = dir.write("quor.ini", in_dir(c.file));
    chmod(path.c_str(), c.mode);
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(arg == "CONFIG" ? path : in_dir(arg));
    SCOPED_TRACE(args.back() + " " + c.agent_lines + c.file);
    AgentProcess agent(args, dir.path() + "/err", QUOR2_BINARY, dir.path() + "/out");
    const auto text = [&] { return dir.read("out") + dir.read("err") + dir.read("agent.log"); };
    if (c.signal != 0) {
      ASSERT_TRUE(wait_until(30, [&] { return text().find("started.") != std::string::npos; }));
      agent.signal(c.signal);
    }
    EXPECT_EQ(agent.wait(30), c.status);
    for (const std::string& line : c.present) {
      EXPECT_NE(text().find(in_dir(line)), std::string::npos) << line << text();
    }
    EXPECT_TRUE(c.absent.empty() || text().find(c.absent) == std::string::npos) << c.absent;
    if (c.args[0] != "CONFIG") continue;
    std::istringstream lines(dir.read("err") + dir.read("agent.log"));
    for (std::string line; std::getline(lines, line);) {
      EXPECT_TRUE(boost::regex_match(line, log_line)) << line;
    }
    EXPECT_TRUE(dir.read("agent.log").empty() || dir.read("err").empty()) << dir.read("err");
  }
}

TEST(MainTest, DaemonizesAndKeepsLogging) {
  const TempDir dir;
  AgentConfig config;
  config.agent_extra = "daemonize = true\nlog = " + dir.path() + "/agent.log\n";
  const std::string path = write_config(dir, config, free_port());
  AgentProcess parent({path}, dir.path() + "/err");
  EXPECT_EQ(parent.wait(10), 0);  // the first parent leaves at once
  // The daemon is the one process left whose command line names the file.
  const auto daemons = [&path] {
    std::vector<pid_t> found;
    for (const pid_t pid : probe::process_ids()) {
      std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
      const std::string text((std::istreambuf_iterator<char>(cmdline)), {});
      if (text.find(path) != std::string::npos) found.push_back(pid);
    }
    return found;
  };
  ASSERT_TRUE(wait_until(10, [&] {
    return daemons().size() == 1 && dir.read("agent.log").find("started.") != std::string::npos;
  }));
  const pid_t daemon = daemons().front();
  kill(daemon, SIGTERM);
  EXPECT_TRUE(wait_until(10, [&] { return kill(daemon, 0) != 0; }));
  const std::string log = dir.read("agent.log");
  for (const char* line : {"Debug: Daemonized.\n", "Info: Exiting.\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
  }
}

}  // namespace
