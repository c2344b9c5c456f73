// The checks that need no test server, run by the real agent over SSH as a
// monitoring server runs them; the URL check reads the agent's own SSH port.
#include <gtest/gtest.h>

#include "support/running_agent.h"

namespace {

TEST(ChecksOverSsh, EachCheckGivesAVerdict) {
  testing_support::AgentConfig config;
  config.checks = "CPU, RAM, Swap, DiskSpace, Processes, Ping, URL";
  config.loglevel = "Warn";
  testing_support::RunningAgent agent(config);
  const struct {
    std::string id, para, answer;  // after "#checkid=<id>#"
    bool whole;                    // or only its beginning
  } runs[] = {
      {"CPU", "#Load Limit [%]=1000#", "result=up#resultstring=CPU load is ", false},
      {"RAM", "#Free RAM Limit [%]=0#", "result=", false},
      {"Swap", "#Free Swap Limit [%]=0#", "result=", false},
      {"DiskSpace", "#Disk Free Limit [%]=100#Disks=/#", "result=up#resultstring=Disk / is ", false},
      {"Processes", "#Select Process=no such process here#",
       "result=down#resultstring=Process no such process here is not running#", true},
      {"Ping",
       "#Host name or IP=127.0.0.1#Number of packets=2#Overall timeout [s]=10"
       "#Success rate limit [%]=50#",
       "result=up#resultstring=100.00%  pings fall into rtt limit. Avg. rtt is ", false},
      // The agent writes its identification string before it reads.
      {"URL", "#URL=http://127.0.0.1:" + std::to_string(agent.port()) + "/#",
       "errormessage=Invalid response#", true},
  };
  testing_support::SshExchange session(agent.port(), "monitor", "secret");
  for (const auto& run : runs) {
    const std::string answer =
        session.request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + run.id +
                        "#para=\"" + run.para + "\"#");
    const std::string expected = std::string("#keycount=") + (run.id == "URL" ? "4" : "5") +
                                 "#responseaction=runcheck#sessionid=1#checkid=" + run.id + "#" +
                                 run.answer;
    EXPECT_EQ(run.whole ? answer : answer.substr(0, expected.size()), expected);
    EXPECT_EQ(answer.back(), '#') << answer;
  }
}

}  // namespace
