// quor2-client as administrators and monitoring systems run it, against the
// real agent on both address families: command line -> exit status, output.
#include <gtest/gtest.h>

#include <boost/algorithm/string.hpp>

#include "support/running_agent.h"

TEST(ClientMainTest, CommandLines) {
  testing_support::AgentConfig config;
  config.checks = "CPU, SNMP";
  config.agent_extra = "listen = 127.0.0.1, ::1\n";
  const testing_support::RunningAgent agent(config);
  const struct {
    // At "|"; PORT, FREE: the agent's, a free port; without --port, the agent's port and user first
    std::string args;
    int status;
    std::string text;  // a part of standard output and error
  } cases[] = {
      {"list", 0, "ID    DESCRIPTION\nCPU   CPU Usage\nSNMP  SNMP v2c value check\n"},
      {"--host=::1|--port=PORT|--user=monitor|--password|secret|list", 0, "ID    DESCRIPTION\n"},
      {"define|CPU", 0, "Parameters of CPU:\n  Load Limit [%] (longinteger, max length 200)\n"},
      {"define|SNMP", 0,
       "Parameters of SNMP:\n  Host address (text, max length 255)\n"
       "  Community (text, max length 255, default: kestra)\n  OID (text, max length 255)\n"
       "  Test (listdrop, default: is = to), one of:\n      is < than\n"},
      {"define|XYZ", 0, "XYZ takes no parameters.\n"},
      {"--record|list", 0, "#keycount=9#responseaction=listchecks#sessionid=1#checkcount=2#"},
      {"raw|--|#keycount=1#", 0, "no sessionid\n"},
      {"--record|raw|#keycount=1#sessionid=1#requestaction=x#", 0, "Command x not implemented\n"},
      {"run|CPU|Load Limit [%]=1000", 0, "UP: CPU load is "},
      {"run|CPU|Load Limit [%]=-1", 2, "DOWN: CPU load "},
      {"run|CPU", 3, "ERROR: Required parameter expected\n"},
      {"--port|PORT|--user|monitor|--password|wrong|list", 3, "ERROR: Login refused for user"},
      {"--port|PORT|--user|monitor|--password-file|/nonexistent/pw|list", 3,
       "ERROR: Cannot read the password file /nonexistent/pw\n"},
      {"--port|FREE|--user|monitor|--password|secret|list", 3, "ERROR: Cannot connect:"},
      {"--port|PORT|list", 3, "quor2-client: --user is required\nTry quor2-client --help.\n"},
      {"raw|" + std::string(2049, 'x'), 3, "The request is longer than 2048 bytes"},
      {"--port=65536|list", 3, "Not a port number: 65536"},
      {"--verbose|list|--host", 3, "Unknown option --verbose"},
      {"list|--host", 3, "--host needs a value"},
      {"--password|p|list", 3, "Give either --password-file or --password, not both"},
  };
  const std::string port = std::to_string(agent.port());
  const std::string connection =
      "--port|" + port + "|--user|monitor|--password-file|" + agent.password_file("secret") + "|";
  for (const auto& c : cases) {
    std::string line = c.args;
    boost::replace_all(line, "FREE", std::to_string(testing_support::free_port()));
    boost::replace_all(line, "PORT", port);
    if (line.find("--port") == std::string::npos) line = connection + line;
    std::vector<std::string> argv;
    boost::split(argv, QUOR2_CLIENT "|" + line, boost::is_any_of("|"));
    SCOPED_TRACE(line);
    const testing_support::ProgramResult run = testing_support::run_program(argv);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.text), std::string::npos) << run.out << run.err;
  }
  // The client says goodbye as a monitoring server does.
  EXPECT_TRUE(agent.wait_for_log("Debug: Executing LogoutCommand.\n"));
}

