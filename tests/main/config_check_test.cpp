#include "main/config_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "support/host_key.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

class ConfigCheckTest : public ::testing::Test {
 protected:
  ConfigCheckTest() { testing_support::make_rsa_host_key(dir_.path()); }

  // A private configuration: the test's key folder, `agent` lines, `rest`.
  std::string config(const std::string& agent, const std::string& rest) const {
    const std::string path =
        dir_.write("quor.ini", "[agent]\nkeyFolder = " + dir_.path() + "\n" + agent + "\n" + rest);
    chmod(path.c_str(), 0600);
    return path;
  }

  // The report's text and the exit status it asks for.
  static std::pair<std::string, int> report(const ConfigCheck& check) {
    std::ostringstream out;
    const int status = check.report(out);
    return {out.str(), status};
  }

  TempDir dir_;
};

TEST_F(ConfigCheckTest, GoodFileWouldStartAndMasksPasswords) {
  const ConfigCheck check(config("checks = CPU, RAM\nport = 2222",
                                 "[password]\nmonitor = s3cret\n[firewall]\n"
                                 "monitor = 10.0.0.1 - 10.0.0.9\n"));
  const auto [text, status] = report(check);
  EXPECT_EQ(status, 0) << text;
  EXPECT_TRUE(check.errors().empty());
  // DSA keys are optional: a missing one only warns, as the agent does.
  EXPECT_EQ(check.warnings(), std::vector<std::string>{"DSA host key " + dir_.path() +
                                                       "/ssh_host_dsa_key is not used: No such "
                                                       "file or directory"});
  for (const char* line :
       {"  port = 2222\n", "  checks = CPU, RAM\n", "  user monitor = ********\n",
        "  firewall monitor = 10.0.0.1 - 10.0.0.9\n", "  host keys loaded = RSA\n",
        "The agent would start.\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
  EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
}

TEST_F(ConfigCheckTest, WarningsDoNotStopTheAgent) {
  // An RSA key in the DSA slot, and a file anyone may read.
  const std::string path =
      config("checks = CPU, cpu, Disk\ndsaKey = ssh_host_rsa_key\nlisten = ::1, nowhere",
             "[password]\na = x\n[firewall]\n"
             "a = 10.0.0.5\n"
             "b = 10.0.0.9 - 10.0.0.1\n");
  chmod(path.c_str(), 0644);
  const ConfigCheck check(path);
  EXPECT_EQ(report(check).second, 0) << report(check).first;
  EXPECT_EQ(check.warnings(),
            (std::vector<std::string>{
                "the file can be read by users other than its owner; it holds passwords",
                "listen address \"nowhere\" is not an IPv4 or IPv6 address; the agent does not "
                "listen there",
                "DSA host key " + dir_.path() +
                    "/ssh_host_rsa_key is not used: the key is not of type DSA",
                "firewall line of user a is not address ranges or CIDR blocks; the user is not "
                "restricted",
                "firewall range of user b holds no address; the user cannot log in",
                "firewall line for b, who is no user in [password]",
                "unknown check id \"Disk\" is ignored", "unknown check id \"cpu\" is ignored"}));
}

TEST_F(ConfigCheckTest, ErrorsStopTheAgent) {
  struct Case {
    std::string agent, rest, error;
  };
  const Case cases[] = {
      {"", "", "the file cannot be read: No such node (password)"},
      {"rsaKey = missing", "[password]\nu = p\n",
       "no host key loads: RSA " + dir_.path() + "/missing: No such file or directory; DSA " +
           dir_.path() + "/ssh_host_dsa_key: No such file or directory"},
      {"port = 70000", "[password]\nu = p\n", "port 70000 is out of range"},
      {"listen = nowhere", "[password]\nu = p\n", "no listen address is an IPv4 or IPv6 address"},
      {"log = /nonexistent-folder/quor2.log", "[password]\nu = p\n",
       "log file /nonexistent-folder/quor2.log: its folder /nonexistent-folder is missing or not "
       "writable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    const ConfigCheck check(config(c.agent, c.rest));
    const auto [text, status] = report(check);
    EXPECT_EQ(status, 255);
    EXPECT_EQ(check.errors(), std::vector<std::string>{c.error}) << text;
    EXPECT_NE(text.find("The agent would not start.\n"), std::string::npos);
  }
}

}  // namespace
