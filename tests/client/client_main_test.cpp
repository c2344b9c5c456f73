// quor2-client as administrators and monitoring systems run it, against
// the real agent.
#include <gtest/gtest.h>

#include "support/agent_process.h"
#include "support/program.h"
#include "support/running_agent.h"

namespace {

using testing_support::ProgramResult;
using testing_support::run_program;
using testing_support::RunningAgent;

// One agent for all tests.
RunningAgent& agent() {
  static RunningAgent shared;
  return shared;
}

// The client as user monitor of the agent, with `args` after that.
ProgramResult client(std::vector<std::string> args) {
  const std::vector<std::string> connection = {QUOR2_CLIENT, "--port",
                                               std::to_string(agent().port()), "--user", "monitor"};
  args.insert(args.begin(), connection.begin(), connection.end());
  return run_program(args);
}

// The same with the right password from a file.
ProgramResult ask(std::vector<std::string> args) {
  args.insert(args.begin(), {"--password-file", agent().password_file("secret")});
  return client(args);
}

TEST(ClientMainTest, ReadableAndRawAnswers) {
  const ProgramResult list = ask({"list"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "ID   DESCRIPTION\nCPU  CPU Usage\n");
  const ProgramResult define = ask({"define", "CPU"});
  EXPECT_EQ(define.status, 0) << define.err;
  EXPECT_EQ(define.out, "Parameters of CPU:\n  Load Limit [%] (longinteger, max length 200)\n");
  EXPECT_EQ(ask({"combo", "CPU"}).out, define.out);
  EXPECT_EQ(ask({"--record", "list"}).out,
            "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
            "checkdescription1=CPU Usage#available1=true#");
  EXPECT_EQ(ask({"raw", "#keycount=1#"}).out, "no sessionid\n");
  EXPECT_EQ(ask({"--record", "raw", "#keycount=1#sessionid=1#requestaction=x#"}).out,
            "Command x not implemented\n");
  // The client says goodbye as a monitoring server does.
  EXPECT_TRUE(agent().wait_for_log("Debug: Executing LogoutCommand.\n"));
}

TEST(ClientMainTest, RunExitStatusFollowsTheVerdict) {
  struct Case {
    std::vector<std::string> args;
    std::string prefix;
    int status;
  };
  const Case cases[] = {
      {{"run", "CPU", "Load Limit [%]=1000"}, "UP: ", 0},
      {{"run", "CPU", "Load Limit [%]=-1"}, "DOWN: ", 2},
      {{"run", "CPU"}, "ERROR: Required parameter expected\n", 3},
      {{"run", "XYZ"}, "ERROR: Unknown check\n", 3},
  };
  for (const Case& c : cases) {
    const ProgramResult result = ask(c.args);
    EXPECT_EQ(result.status, c.status) << result.out << result.err;
    EXPECT_EQ(result.out.compare(0, c.prefix.size(), c.prefix), 0) << result.out;
  }
}

TEST(ClientMainTest, PasswordsAndFailures) {
  EXPECT_EQ(client({"--password", "secret", "list"}).status, 0);
  const ProgramResult refused = client({"--password", "wrong", "list"});
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.out, "ERROR: Login refused for user monitor\n");

  const ProgramResult missing_file = client({"--password-file", "/nonexistent/pw", "list"});
  EXPECT_EQ(missing_file.status, 3);
  EXPECT_EQ(missing_file.out, "ERROR: Cannot read the password file /nonexistent/pw\n");

  const ProgramResult no_agent =
      run_program({QUOR2_CLIENT, "--port", std::to_string(testing_support::free_port()), "--user",
                   "monitor", "--password", "secret", "list"});
  EXPECT_EQ(no_agent.status, 3);
  EXPECT_EQ(no_agent.out.compare(0, 22, "ERROR: Cannot connect:"), 0) << no_agent.out;

  const ProgramResult usage = run_program({QUOR2_CLIENT, "list"});
  EXPECT_EQ(usage.status, 3);
  EXPECT_EQ(usage.err, "quor2-client: --user is required\nTry quor2-client --help.\n");

  const ProgramResult bad_value = ask({"run", "CPU", "Load Limit [%]"});
  EXPECT_EQ(bad_value.status, 3);
  EXPECT_NE(bad_value.err.find("Name=value"), std::string::npos) << bad_value.err;
}

TEST(ClientMainTest, Help) {
  const ProgramResult help = run_program({QUOR2_CLIENT, "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"Usage: quor2-client", "--password-file", "--record", "run CHECKID",
                           "raw RECORD", "Exit status"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

}  // namespace
