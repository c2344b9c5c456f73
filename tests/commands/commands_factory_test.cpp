#include "commands/commands_factory.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

using commands::CommandsFactory;

// Every request of a session and its exact response, on a host whose vmstat
// says 81 % and that offers the CPU check only; `log` is the line written.
TEST(CommandsFactory, Responses) {
  const std::string ask = "#keycount=4#sessionid=1#requestaction=";
  const std::string defined = "#keycount=4#responseaction=definecheck#sessionid=1#checkid=";
  const std::string ran = "#keycount=4#responseaction=runcheck#sessionid=1#checkid=";
  const std::string cpu = "\"#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#";
  const std::string no_parameter = "CPU#errormessage=Required parameter expected#";
  const struct {
    std::string request;
    std::string response;
    std::string log = "";
  } rows[] = {
      {"", "no keycount", "Error: Protocol Error: no keycount."},
      {"#keycount=1#requestaction=listchecks#", "no sessionid",
       "Error: Protocol Error: no sessionid."},
      {"#keycount=1#sessionid=1#", "no requestaction", "Error: Protocol Error: no requestaction."},
      {ask + "foo\r\n#", "Command foo\r\n not implemented\n", "Error: Unknown action foo\\r\\n"},
      {ask + "login#", "Command login not implemented\n"},
      {ask + "RunCheck#", "Command RunCheck not implemented\n"},
      {ask + "logout#", ""},
      {"#keycount=3#sessionid=7#requestaction=listchecks#",
       "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1"
       "#checkid1=CPU#checkdescription1=CPU Usage#available1=true#"},
      {ask + "definecheck#checkid=CPU#", defined + "CPU#parameters=" + cpu},
      {ask + "getcomboparamvalues#checkid=CPU#",
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid=CPU#parameters=" + cpu},
      {ask + "definecheck#", defined + "#errormessage=Check not found#",
       "Warn: DefineCheckCommand::execute: empty check_id"},
      {ask + "definecheck#checkid=cpu#", defined + "cpu#parameters=\"#\"#",
       "Error: Unknown check cpu"},
      {ask + "runcheck#checkid=CPU#para=\"#Load Limit [%]=90#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up"
       "#resultstring=CPU load is 81#"},
      {ask + "runcheck#checkid=CPU#para=\"#Load Limit [%]=50#Load Limit [%]=80#x=y#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=down"
       "#resultstring=CPU load 81 out of Limit 80#"},
      // An absent, bare or one-character para carries no parameter.
      {ask + "runcheck#checkid=CPU#", ran + no_parameter},
      {ask + "runcheck#checkid=CPU#para=\"\"#", ran + no_parameter},
      {ask + "runcheck#checkid=CPU#para=x#", ran + no_parameter},
      {ask + "runcheck#checkid=#para=\"#Load Limit [%]=90#\"#",
       ran + "#errormessage=Check not found#", "Warn: RunCheckCommand::execute: empty check_id"},
      {ask + "runcheck#checkid=XYZ#", ran + "XYZ#errormessage=Unknown check#"},
  };
  const auto env = std::make_shared<testing_support::FakeEnv>();
  env->set_output("vmstat 1 2", testing_support::read_fixture("vmstat/procps-3.2.txt"));
  const CommandsFactory factory(checks::CheckFactory({"CPU"}, env));
  EXPECT_EQ(factory.get_login_command()->execute(),
            "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#");
  for (const auto& c : rows) {
    const testing_support::LogCapture capture(logger::Logger::Warn);
    EXPECT_EQ(factory.get_command(c.request)->execute(), c.response) << c.request;
    EXPECT_TRUE(c.log.empty() || capture.contains(c.log)) << c.request;
  }
  const CommandsFactory all(checks::CheckFactory(
      {"CPU", "Certificate", "DiskSpace", "Ping", "Processes", "RAM", "SNMP", "Swap", "URL"}, env));
  EXPECT_EQ(all.get_command(ask + "listchecks#")->execute(),
            "#keycount=30#responseaction=listchecks#sessionid=1#checkcount=9"
            "#checkid1=CPU#checkdescription1=CPU Usage#available1=true"
            "#checkid2=Certificate#checkdescription2=Certificate validity test#available2=true"
            "#checkid3=DiskSpace#checkdescription3=DiskSpace Usage#available3=true"
            "#checkid4=Ping#checkdescription4=Host or IP ping test#available4=true"
            "#checkid5=Processes#checkdescription5=Running processes#available5=true"
            "#checkid6=RAM#checkdescription6=RAM Usage#available6=true"
            "#checkid7=SNMP#checkdescription7=SNMP v2c value check#available7=true"
            "#checkid8=Swap#checkdescription8=Swap Usage#available8=true"
            "#checkid9=URL#checkdescription9=URL status test#available9=true#");
}

// Session threads share one factory without a lock: answers stay whole while
// requests that run real host commands overlap, and so do log lines.
TEST(CommandsFactoryThreads, OneFactoryServesOverlappingRequests) {
  const CommandsFactory factory(checks::CheckFactory({"CPU", "DiskSpace", "Processes", "RAM"},
                                                     std::make_shared<utils::Env>()));
  const std::string ask = "#keycount=5#sessionid=1#requestaction=";
  const std::pair<std::string, std::string> requests[] = {
      {ask + "listchecks#", "#checkcount=4#checkid1=CPU#"},
      {ask + "definecheck#checkid=DiskSpace#", "#value1="},
      {ask + "getcomboparamvalues#checkid=Processes#", "#paramname1=Select Process#"},
      {ask + "runcheck#checkid=CPU#para=\"#Load Limit [%]=200#\"#", "#result=up#"},
      {ask + "runcheck#checkid=DiskSpace#para=\"#Disks=/#Disk Free Limit [%]=100#\"#",
       "#result=up#"},
      {ask + "runcheck#checkid=RAM#para=\"#Free RAM Limit [%]=-1#\"#", "#result=up#"},
  };
  const testing_support::LogCapture capture(logger::Logger::Debug);
  std::vector<std::thread> sessions;
  for (std::size_t t = 0; t < 4; ++t) {
    sessions.emplace_back([&, t] {  // each starts at another request, so that commands overlap
      for (std::size_t i = 0; i < std::size(requests); ++i) {
        const auto& request = requests[(i + t) % std::size(requests)];
        const std::string answer = factory.get_command(request.first)->execute();
        EXPECT_NE(answer.find(request.second), std::string::npos)
            << request.first << ": " << answer;
      }
    });
  }
  for (std::thread& session : sessions) session.join();
  for (const std::string& line : capture.lines()) EXPECT_EQ(line.find('\n'), line.size() - 1);
}

}  // namespace
