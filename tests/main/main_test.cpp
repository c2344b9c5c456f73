// The agent binary as an administrator starts and stops it.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include <boost/regex.hpp>
#include <gtest/gtest.h>

#include "support/agent_process.h"
#include "support/host_key.h"
#include "support/temp_dir.h"

namespace {

using testing_support::AgentProcess;
using testing_support::TempDir;

class MainTest : public ::testing::Test {
 protected:
  MainTest() { testing_support::make_rsa_host_key(dir_.path()); }

  std::string config(const std::string& agent_extra) {
    port_ = testing_support::free_port();
    return dir_.write("quor.ini", "[agent]\nport = " + std::to_string(port_) +
                                      "\nkeyFolder = " + dir_.path() + "\n" + agent_extra +
                                      "\n[password]\nmonitor = secret\n");
  }

  std::string stderr_path() const { return dir_.path() + "/stderr"; }

  TempDir dir_;
  int port_ = 0;
};

TEST_F(MainTest, StartsAndStopsOnSigterm) {
  AgentProcess agent({config("loglevel = Info")}, stderr_path());
  ASSERT_TRUE(agent.wait_for_output("quor2-2.0.0 started.", 10)) << agent.output();
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10), 0);
  const std::string output = agent.output();
  const std::string prefix =
      "\\[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 123][0-9] [0-9:]{8} [0-9]{4}\\] \\([0-9a-f]+\\) ";
  EXPECT_TRUE(boost::regex_search(output, boost::regex(prefix + "Info: Starting quor2-2.0.0\\n")))
      << output;
  EXPECT_TRUE(boost::regex_search(output, boost::regex(prefix + "Info: Exiting.\\n"))) << output;
}

TEST_F(MainTest, SigintIsLoggedAndStops) {
  AgentProcess agent({config("loglevel = Debug")}, stderr_path());
  ASSERT_TRUE(agent.wait_for_output("quor2-2.0.0 started.", 10)) << agent.output();
  agent.signal(SIGINT);
  EXPECT_EQ(agent.wait(10), 0);
  EXPECT_NE(agent.output().find("Debug: Signal2 caught\n"), std::string::npos) << agent.output();
}

TEST_F(MainTest, MissingPasswordSectionExits255) {
  const std::string path = dir_.write("bad.ini", "[agent]\nport = 1\n");
  AgentProcess agent({path}, stderr_path());
  EXPECT_EQ(agent.wait(10), 255);
  EXPECT_NE(agent.output().find(") Error: Error parsing ini file: "), std::string::npos)
      << agent.output();
}

TEST_F(MainTest, MissingConfigArgumentFallsBackToDefaultPath) {
  struct stat info;
  if (stat("/etc/quor2/quor.ini", &info) == 0) GTEST_SKIP() << "/etc/quor2/quor.ini exists";
  AgentProcess agent({dir_.path() + "/nonexistent.ini"}, stderr_path());
  EXPECT_EQ(agent.wait(10), 255);
  EXPECT_NE(agent.output().find("/etc/quor2/quor.ini"), std::string::npos) << agent.output();
}

TEST_F(MainTest, LogFileReceivesTheLines) {
  const std::string log = dir_.path() + "/agent.log";
  AgentProcess agent({config("loglevel = Info\nlog = " + log)}, stderr_path());
  for (int i = 0; i < 500 && dir_.read("agent.log").find("started.") == std::string::npos; ++i) {
    usleep(10000);
  }
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10), 0);
  const std::string text = dir_.read("agent.log");
  EXPECT_NE(text.find("Info: Starting quor2-2.0.0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Info: Exiting.\n"), std::string::npos) << text;
  EXPECT_EQ(agent.output(), "");
}

TEST_F(MainTest, UnopenableLogFileExits1) {
  AgentProcess agent({config("log = " + dir_.path() + "/no/such/folder/agent.log")}, stderr_path());
  EXPECT_EQ(agent.wait(10), 1);
  EXPECT_NE(agent.output().find("Error: Can not open log file: No such file or directory\n"),
            std::string::npos)
      << agent.output();
}

TEST_F(MainTest, AdministratorOptions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string output;
  };
  const std::string good = config("");
  chmod(good.c_str(), 0600);
  const Case cases[] = {
      {{"--version"}, 0, "quor2-2.0.0\n"},
      {{"--help"}, 0, "Usage: quor2 [CONFIG]\n"},
      {{"--check-config", good}, 0, "The agent would start.\n"},
      {{"--check-config", dir_.path() + "/missing.ini"}, 255, "The agent would not start.\n"},
      {{"--check-config"}, 255, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const std::string out = dir_.path() + "/stdout";
    AgentProcess agent(c.args, stderr_path(), QUOR2_BINARY, out);
    EXPECT_EQ(agent.wait(10), c.status);
    EXPECT_NE(dir_.read("stdout").find(c.output), std::string::npos) << dir_.read("stdout");
  }
}

TEST_F(MainTest, WarnsWhenOthersCanReadTheConfiguration) {
  const std::string warning = "can be read by users other than its owner";
  const std::string path = config("loglevel = Info");
  for (const mode_t mode : {0644, 0640, 0600}) {
    SCOPED_TRACE(mode);
    chmod(path.c_str(), mode);
    const std::string log = stderr_path() + std::to_string(mode);
    AgentProcess agent({path}, log);
    ASSERT_TRUE(agent.wait_for_output("quor2-2.0.0 started.", 10) &&
                testing_support::wait_for_port(port_, 10));
    agent.signal(SIGTERM);
    EXPECT_EQ(agent.wait(10), 0);
    EXPECT_EQ(agent.output().find(warning) != std::string::npos, mode != 0600) << agent.output();
  }
}

// The live processes whose command line mentions `text` (a zombie's command
// line is empty).
std::vector<pid_t> find_processes(const std::string& text) {
  DIR* proc = opendir("/proc");
  std::vector<pid_t> found;
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::ifstream cmdline("/proc/" + std::string(entry->d_name) + "/cmdline");
    std::string content((std::istreambuf_iterator<char>(cmdline)),
                        std::istreambuf_iterator<char>());
    if (content.find(text) != std::string::npos) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

TEST_F(MainTest, DaemonizesAndKeepsLogging) {
  const std::string log = dir_.path() + "/agent.log";
  const std::string path = config("loglevel = Debug\ndaemonize = true\nlog = " + log);
  AgentProcess parent({path}, stderr_path());
  EXPECT_EQ(parent.wait(10), 0);  // the first parent leaves at once
  // The intermediate child may still be on its way out (slowly, in a build
  // that checks for leaks at exit): the daemon is the one process left.
  std::vector<pid_t> daemons;
  for (int i = 0; i < 1000; ++i) {
    daemons = find_processes(path);
    if (daemons.size() == 1 && dir_.read("agent.log").find("started.") != std::string::npos) break;
    usleep(10000);
  }
  ASSERT_EQ(daemons.size(), 1u);
  const pid_t daemon = daemons.front();
  kill(daemon, SIGTERM);
  for (int i = 0; i < 500 && dir_.read("agent.log").find("Exiting.") == std::string::npos; ++i) {
    usleep(10000);
  }
  const std::string text = dir_.read("agent.log");
  EXPECT_NE(text.find("Debug: Daemonization requested.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Debug: Daemonized.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Info: Exiting.\n"), std::string::npos) << text;
  for (int i = 0; i < 500 && kill(daemon, 0) == 0; ++i) usleep(10000);
}

}  // namespace
