#include "commands/commands_factory.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

using commands::CommandsFactory;

// Every request of a session and its exact response, on a host whose vmstat
// says 81 % (a single CPU check offered); `log` is the Warn or Error line.
TEST(CommandsFactory, Responses) {
  const std::string run = "#keycount=4#sessionid=1#requestaction=runcheck#checkid=";
  const std::string ran = "#keycount=4#responseaction=runcheck#sessionid=1#checkid=";
  const std::string cpu_definition =
      "\"#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#";
  const struct {
    std::string request;
    std::string response;
    std::string log = "";
  } rows[] = {
      {"", "no keycount", "Error: Protocol Error: no keycount."},
      {"#sessionid=1#requestaction=listchecks#", "no keycount"},
      {"#keycount=1#requestaction=listchecks#", "no sessionid",
       "Error: Protocol Error: no sessionid."},
      {"#keycount=1#sessionid=1#", "no requestaction", "Error: Protocol Error: no requestaction."},
      {"#keycount=9#sessionid=x#requestaction=foo\r\n#", "Command foo\r\n not implemented\n",
       "Error: Unknown action foo\\r\\n"},
      {"#keycount=1#sessionid=1#requestaction=login#", "Command login not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=RunCheck#", "Command RunCheck not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=#", "Command  not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=logout#", ""},
      {"#keycount=3#sessionid=7#requestaction=listchecks#",
       "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1"
       "#checkid1=CPU#checkdescription1=CPU Usage#available1=true#"},
      {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=" +
           cpu_definition},
      {"#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=CPU#",
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid=CPU#parameters=" +
           cpu_definition},
      {"#keycount=3#sessionid=1#requestaction=definecheck#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=#errormessage=Check not found#",
       "Warn: DefineCheckCommand::execute: empty check_id"},
      {"#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=#",
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid="
       "#errormessage=Check not found#",
       "Warn: GetComboCommand::execute: empty check_id"},
      {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=cpu#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=cpu#parameters=\"#\"#",
       "Error: Unknown check cpu"},
      {run + "CPU#para=\"#Load Limit [%]=90#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up"
       "#resultstring=CPU load is 81#"},
      {run + "CPU#para=\"#Load Limit [%]=50#Load Limit [%]=80#x=y#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=down"
       "#resultstring=CPU load 81 out of Limit 80#"},
      // An empty, bare or one-character para carries no parameter.
      {run + "CPU#", ran + "CPU#errormessage=Required parameter expected#"},
      {run + "CPU#para=#", ran + "CPU#errormessage=Required parameter expected#"},
      {run + "CPU#para=\"\"#", ran + "CPU#errormessage=Required parameter expected#"},
      {run + "CPU#para=x#", ran + "CPU#errormessage=Required parameter expected#"},
      {run + "#para=\"#Load Limit [%]=90#\"#", ran + "#errormessage=Check not found#",
       "Warn: RunCheckCommand::execute: empty check_id"},
      {run + "XYZ#para=\"#a=1#\"#", ran + "XYZ#errormessage=Unknown check#"},
  };
  const auto env = std::make_shared<testing_support::FakeEnv>();
  env->set_output("vmstat 1 2", testing_support::read_fixture("vmstat/procps-3.2.txt"));
  const CommandsFactory factory(checks::CheckFactory({"CPU"}, env));
  EXPECT_EQ(factory.get_login_command()->execute(),
            "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#");
  for (const auto& c : rows) {
    const testing_support::LogCapture capture(logger::Logger::Warn);
    EXPECT_EQ(factory.get_command(c.request)->execute(), c.response) << c.request;
    if (!c.log.empty()) {
      EXPECT_TRUE(capture.contains(c.log)) << c.request;
    }
  }
}

// Session threads share one factory without a lock: answers stay whole while
// requests that run real host commands overlap, and so do log lines.
TEST(CommandsFactoryThreads, OneFactoryServesOverlappingRequests) {
  const CommandsFactory factory(checks::CheckFactory({"CPU", "DiskSpace", "Processes", "RAM"},
                                                     std::make_shared<utils::Env>()));
  const std::string head = "#keycount=5#sessionid=1#requestaction=";
  const std::pair<std::string, std::string> requests[] = {
      {head + "listchecks#", "#checkcount=4#checkid1=CPU#"},
      {head + "definecheck#checkid=DiskSpace#", "#value1="},
      {head + "getcomboparamvalues#checkid=Processes#", "#paramname1=Select Process#"},
      {head + "runcheck#checkid=CPU#para=\"#Load Limit [%]=200#\"#", "#result=up#"},
      {head + "runcheck#checkid=DiskSpace#para=\"#Disks=/#Disk Free Limit [%]=100#\"#",
       "#result=up#"},
      {head + "runcheck#checkid=RAM#para=\"#Free RAM Limit [%]=-1#\"#", "#result=up#"},
  };
  const testing_support::LogCapture capture(logger::Logger::Debug);
  std::vector<std::thread> sessions;
  for (std::size_t t = 0; t < 4; ++t) {
    sessions.emplace_back([&, t] {
      // Each session starts at another request, so different commands overlap.
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
