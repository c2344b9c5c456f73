// quor2-client as administrators and monitoring systems run it, against the
// real agent on both address families: command line -> exit status, output.
#include <gtest/gtest.h>

#include <boost/algorithm/string/replace.hpp>

#include "support/running_agent.h"

namespace {

using testing_support::ProgramResult;

TEST(ClientMainTest, CommandLines) {
  testing_support::AgentConfig config;
  config.checks = "CPU, SNMP";
  config.agent_extra = "listen = 127.0.0.1, ::1\n";
  const testing_support::RunningAgent agent(config);
  const std::string cpu = "Parameters of CPU:\n  Load Limit [%] (longinteger, max length 200)\n";
  const struct {
    // Split at "|"; PORT, FREE: the agent's and a free port. Without a port
    // the line follows the agent's port, user and password file.
    std::string args;
    int status;
    std::string out;  // its beginning
    std::string err;  // a part of it
  } cases[] = {
      {"list", 0, "ID    DESCRIPTION\nCPU   CPU Usage\nSNMP  SNMP v2c value check\n", ""},
      {"--host=::1|--port=PORT|--user=monitor|--password|secret|list", 0, "ID    DESCRIPTION\n", ""},
      {"define|CPU", 0, cpu, ""},
      {"combo|CPU", 0, cpu, ""},
      {"define|SNMP", 0,
       "Parameters of SNMP:\n  Host address (text, max length 255)\n"
       "  Community (text, max length 255, default: kestra)\n  OID (text, max length 255)\n"
       "  Test (listdrop, default: is = to), one of:\n      is < than\n", ""},
      {"define|XYZ", 0, "XYZ takes no parameters.\n", ""},
      {"--record|list", 0,
       "#keycount=9#responseaction=listchecks#sessionid=1#checkcount=2#checkid1=CPU#", ""},
      {"raw|#keycount=1#", 0, "no sessionid\n", ""},
      {"raw|--|--record", 0, "no keycount\n", ""},
      {"--record|raw|#keycount=1#sessionid=1#requestaction=x#", 0, "Command x not implemented\n", ""},
      {"run|CPU|Load Limit [%]=1000", 0, "UP: CPU load is ", ""},
      {"run|CPU|Load Limit [%]=-1", 2, "DOWN: CPU load ", ""},
      {"run|CPU", 3, "ERROR: Required parameter expected\n", ""},
      {"run|XYZ", 3, "ERROR: Unknown check\n", ""},
      {"--port|PORT|--user|monitor|--password|wrong|list", 3,
       "ERROR: Login refused for user monitor\n", ""},
      {"--port|PORT|--user|monitor|--password-file|/nonexistent/pw|list", 3,
       "ERROR: Cannot read the password file /nonexistent/pw\n", ""},
      {"--port|FREE|--user|monitor|--password|secret|list", 3, "ERROR: Cannot connect:", ""},
      {"--help", 0, "Usage: quor2-client", ""},
      {"-h", 0, "Usage: quor2-client", ""},
      {"--port|PORT|list", 3, "", "quor2-client: --user is required\nTry quor2-client --help.\n"},
      {"run|CPU|Load Limit [%]", 3, "", "A parameter value is written Name=value: "},
      {"run|CPU|a=b#c", 3, "", "A parameter value may not contain '#' or '\"': a=b#c"},
      {"define|\"CPU\"", 3, "", "A check id may not contain"},
      {"raw|" + std::string(2049, 'x'), 3, "", "The request is longer than 2048 bytes"},
      {"status", 3, "", "Unknown command status"},
      {"list|extra", 3, "", "Wrong number of arguments for list"},
      {"define", 3, "", "Wrong number of arguments for define"},
      {"--port|65536|list", 3, "", "Not a port number: 65536"},
      {"--port=22x|list", 3, "", "Not a port number: 22x"},
      {"--verbose|list", 3, "", "Unknown option --verbose"},
      {"list|--host", 3, "", "--host needs a value"},
      {"--record=yes|list", 3, "", "--record takes no value"},
      {"--password|p|list", 3, "", "Give either --password-file or --password, not both"},
      {"--port|PORT", 3, "", "No command given"},
  };
  const std::string password_file = agent.password_file("secret");
  for (const auto& c : cases) {
    std::string line = c.args;
    for (const auto& [name, value] :
         {std::pair<std::string, std::string>{"PORT", std::to_string(agent.port())},
          {"FREE", std::to_string(testing_support::free_port())}}) {
      boost::replace_all(line, name, value);
    }
    std::vector<std::string> argv = {QUOR2_CLIENT};
    if (line.find("--port") == std::string::npos) {
      argv.insert(argv.end(), {"--port", std::to_string(agent.port()), "--user", "monitor",
                               "--password-file", password_file});
    }
    for (std::string::size_type at = 0, bar; at <= line.size(); at = bar + 1) {
      bar = std::min(line.find('|', at), line.size());
      argv.push_back(line.substr(at, bar - at));
    }
    SCOPED_TRACE(line);
    const ProgramResult result = testing_support::run_program(argv);
    EXPECT_EQ(result.status, c.status) << result.out << result.err;
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
  // The client says goodbye as a monitoring server does.
  EXPECT_TRUE(agent.wait_for_log("Debug: Executing LogoutCommand.\n"));
}

}  // namespace
