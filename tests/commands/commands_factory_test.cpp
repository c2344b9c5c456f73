#include "commands/commands_factory.h"

#include <gtest/gtest.h>

#include <iterator>
#include <thread>

#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

using commands::CommandsFactory;
using testing_support::FakeEnv;

class CommandsFactoryTest : public ::testing::Test {
 protected:
  CommandsFactoryTest() { env_->set_fixture("vmstat 1 2", "vmstat/procps-3.2.txt"); }

  CommandsFactory factory(const CheckIdSet& ids = {"CPU"}) {
    return CommandsFactory(checks::CheckFactory(ids, env_));
  }

  std::string answer(const std::string& request, const CheckIdSet& ids = {"CPU"}) {
    return factory(ids).get_command(request)->execute();
  }

  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>();
};

TEST_F(CommandsFactoryTest, Greeting) {
  EXPECT_EQ(factory().get_login_command()->execute(),
            "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#");
}

TEST_F(CommandsFactoryTest, ProtocolErrorsAndUnknownActions) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "no keycount"},
      {"#sessionid=1#requestaction=listchecks#", "no keycount"},
      {"#keycount=1#requestaction=listchecks#", "no sessionid"},
      {"#keycount=1#sessionid=1#", "no requestaction"},
      {"#keycount=99#sessionid=x#requestaction=foo#", "Command foo not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=login#", "Command login not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=RunCheck#", "Command RunCheck not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=#", "Command  not implemented\n"},
      {"#keycount=1#sessionid=1#requestaction=logout#", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(answer(c.first), c.second);
  }
}

TEST_F(CommandsFactoryTest, ProtocolErrorsAreLogged) {
  testing_support::LogCapture capture(logger::Logger::Error);
  answer("#keycount=1#sessionid=1#");
  answer("#keycount=1#sessionid=1#requestaction=foo\r\n#");
  EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Error: Protocol Error: no requestaction.",
                                                          "Error: Unknown action foo\\r\\n"}));
}

TEST_F(CommandsFactoryTest, Listing) {
  EXPECT_EQ(answer("#keycount=3#sessionid=7#requestaction=listchecks#"),
            "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1"
            "#checkid1=CPU#checkdescription1=CPU Usage#available1=true#");
  EXPECT_EQ(answer("#keycount=3#sessionid=1#requestaction=listchecks#", {}),
            "#keycount=3#responseaction=listchecks#sessionid=1#checkcount=0#");
}

TEST_F(CommandsFactoryTest, Definitions) {
  const std::string cpu_definition =
      "\"#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#";
  const std::pair<std::string, std::string> cases[] = {
      {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=" + cpu_definition},
      {"#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=CPU#",
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid=CPU#parameters=" +
           cpu_definition},
      {"#keycount=3#sessionid=1#requestaction=definecheck#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=#errormessage=Check not found#"},
      {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=#errormessage=Check not found#"},
      {"#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=#",
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid="
       "#errormessage=Check not found#"},
      {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=cpu#",
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=cpu#parameters=\"#\"#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(answer(c.first), c.second);
  }
}

TEST_F(CommandsFactoryTest, Runs) {
  const std::string head = "#keycount=4#sessionid=1#requestaction=runcheck#";
  const std::pair<std::string, std::string> cases[] = {
      {head + "checkid=CPU#para=\"#Load Limit [%]=90#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up"
       "#resultstring=CPU load is 81#"},
      {head + "checkid=CPU#para=\"#Load Limit [%]=50#Load Limit [%]=80#x=y#\"#",
       "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=down"
       "#resultstring=CPU load 81 out of Limit 80#"},
      {head + "checkid=CPU#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=CPU"
       "#errormessage=Required parameter expected#"},
      {head + "checkid=CPU#para=#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=CPU"
       "#errormessage=Required parameter expected#"},
      {head + "checkid=CPU#para=\"\"#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=CPU"
       "#errormessage=Required parameter expected#"},
      {head + "checkid=CPU#para=x#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=CPU"
       "#errormessage=Required parameter expected#"},
      {head + "checkid=#para=\"#Load Limit [%]=90#\"#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=#errormessage=Check not found#"},
      {head + "checkid=XYZ#para=\"#a=1#\"#",
       "#keycount=4#responseaction=runcheck#sessionid=1#checkid=XYZ#errormessage=Unknown check#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(answer(c.first), c.second);
  }
}

TEST_F(CommandsFactoryTest, CheckFactoryLogsBeforeCommandsFactory) {
  testing_support::LogCapture capture;
  factory();
  const std::vector<std::string> messages = capture.messages();
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(messages[0], "Trace:  > CheckFactory::CheckFactory");
  EXPECT_EQ(messages[2], "Trace:  > CommandsFactory::CommandsFactory");
}

TEST_F(CommandsFactoryTest, RunCommandTraceLines) {
  testing_support::LogCapture capture;
  answer("#keycount=4#sessionid=1#requestaction=runcheck#checkid=#");
  const std::vector<std::string> expected = {
      "Trace:  > CommandsFactory::get_command",
      "Debug: Getting command for action runcheck",
      "Trace:  < CommandsFactory::get_command",
      "Trace:  > CommandBase::CommandBase/1",
      "Trace:  < CommandBase::CommandBase/1",
      "Trace:  > RunCheckCommand::RunCheckCommand/2",
      "Debug: RunCheckCommand with checkid= and para=",
      "Trace:  < RunCheckCommand::RunCheckCommand/2",
      "Trace:  > RunCheckCommand::execute",
      "Debug: Executing RunCheckCommand. checkid=",
      "Warn: RunCheckCommand::execute: empty check_id",
      "Trace:  < RunCheckCommand::execute",
      "Trace:  > RunCheckCommand::~RunCheckCommand",
      "Trace:  < RunCheckCommand::~RunCheckCommand",
      "Trace:  > CommandBase::~CommandBase",
      "Trace:  < CommandBase::~CommandBase",
  };
  const std::vector<std::string> messages = capture.messages();
  ASSERT_GE(messages.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(messages.end() - expected.size(), messages.end()), expected);
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
      // vmstat rounds each column, so us + sy of a busy host can make 101.
      {head + "runcheck#checkid=CPU#para=\"#Load Limit [%]=200#\"#", "#result=up#"},
      {head + "runcheck#checkid=DiskSpace#para=\"#Disks=/#Disk Free Limit [%]=100#\"#",
       "#result=up#"},
      {head + "runcheck#checkid=RAM#para=\"#Free RAM Limit [%]=-1#\"#", "#result=up#"},
  };
  testing_support::LogCapture capture(logger::Logger::Debug);
  const int threads = 4;
  std::vector<std::vector<std::string>> answers(threads);
  std::vector<std::thread> sessions;
  for (int t = 0; t < threads; ++t) {
    sessions.emplace_back([&, t] {
      // Each session starts at another request, so different commands overlap.
      for (std::size_t i = 0; i < std::size(requests); ++i) {
        answers[t].push_back(
            factory.get_command(requests[(i + t) % std::size(requests)].first)->execute());
      }
    });
  }
  for (std::thread& session : sessions) session.join();

  for (int t = 0; t < threads; ++t) {
    for (std::size_t i = 0; i < std::size(requests); ++i) {
      const auto& request = requests[(i + t) % std::size(requests)];
      EXPECT_NE(answers[t][i].find(request.second), std::string::npos)
          << request.first << " gave " << answers[t][i];
    }
  }
  for (const std::string& line : capture.lines()) {
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
  }
}

}  // namespace
