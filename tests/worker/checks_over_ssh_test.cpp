// The checks that need no test server, run by the real agent over SSH as a
// monitoring server runs them; the URL check reads the agent's own SSH port,
// whose identification string comes before the agent reads anything.
#include <gtest/gtest.h>

#include "support/running_agent.h"

TEST(ChecksOverSsh, EachCheckGivesAVerdict) {
  testing_support::AgentConfig config;
  config.checks = "CPU, RAM, Swap, DiskSpace, Processes, Ping, URL";
  config.loglevel = "Warn";
  const testing_support::RunningAgent agent(config);
  const std::pair<std::string, std::string> runs[] = {  // "#checkid=" and its answer's start
      {"CPU#para=\"#Load Limit [%]=1000#\"#", "result=up#resultstring=CPU load is "},
      {"RAM#para=\"#Free RAM Limit [%]=0#\"#", "result="},
      {"Swap#para=\"#Free Swap Limit [%]=0#\"#", "result="},
      {"DiskSpace#para=\"#Disk Free Limit [%]=100#Disks=/#\"#", "result=up#resultstring=Disk / is "},
      {"Processes#para=\"#Select Process=no such process here#\"#",
       "result=down#resultstring=Process no such process here is not running#"},
      {"Ping#para=\"#Host name or IP=127.0.0.1#Number of packets=2#Overall timeout [s]=10"
       "#Success rate limit [%]=50#\"#",
       "result=up#resultstring=100.00%  pings fall into rtt limit. Avg. rtt is "},
      {"URL#para=\"#URL=http://127.0.0.1:" + std::to_string(agent.port()) + "/#\"#",
       "errormessage=Invalid response#"},
  };
  testing_support::SshExchange session(agent.port(), "monitor", "secret");
  for (const auto& run : runs) {
    const std::string id = run.first.substr(0, run.first.find('#'));
    const std::string answer =
        session.request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + run.first);
    const std::string expected = std::string("#keycount=") + (id == "URL" ? "4" : "5") +
                                 "#responseaction=runcheck#sessionid=1#checkid=" + id + "#" +
                                 run.second;
    EXPECT_EQ(answer.substr(0, expected.size()), expected);
    EXPECT_EQ(answer.back(), '#') << answer;
  }
}
