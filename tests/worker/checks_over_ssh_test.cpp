// All nine checks as a monitoring server meets them: the real agent over
// SSH, with loopback servers standing in for the hosts the network checks
// reach.
#include <gtest/gtest.h>

#include "support/check_listing.h"
#include "support/loopback_server.h"
#include "support/running_agent.h"
#include "support/snmpd_process.h"
#include "support/ssh_exchange.h"
#include "support/test_certificate.h"

namespace {

using testing_support::LoopbackServer;
using testing_support::RunningAgent;
using testing_support::SnmpdProcess;
using testing_support::SshExchange;

// The agent with all nine checks, shared by the tests.
RunningAgent& agent() {
  static RunningAgent shared([] {
    testing_support::AgentConfig config;
    config.checks = "URL, Swap, SNMP, RAM, Processes, Ping, DiskSpace, Certificate, CPU";
    config.loglevel = "Warn";
    return config;
  }());
  return shared;
}

std::string ask(const std::string& record) {
  return SshExchange(agent().port(), "monitor", "secret").request(record);
}

TEST(ChecksOverSsh, ListingAndDefinitionsAreExact) {
  EXPECT_EQ(ask("#keycount=3#sessionid=1#requestaction=listchecks#"),
            std::string("#keycount=30#responseaction=listchecks#sessionid=1#checkcount=9") +
                testing_support::all_checks_listing);
  const std::string snmp_definition =
      "#paramname1=Host address#paramtype1=text#maxlength1=255#paramname2=Community"
      "#paramtype2=text#maxlength2=255#default2=kestra#paramname3=OID#paramtype3=text"
      "#maxlength3=255#paramname4=Test#paramtype4=listdrop#default4=is = to#valuecount=8"
      "#value1=is < than#value2=is <= than#value3=is = to#value4=is <> to#value5=is >= than"
      "#value6=is > than#value7=contains#value8=doesn't contain#atbutton_paramcount=1"
      "#atbutton_param1=Test#paramname5=Test value#paramtype5=text#maxlength5=255#";
  EXPECT_EQ(ask("#keycount=4#sessionid=1#requestaction=definecheck#checkid=SNMP#"),
            "#keycount=4#responseaction=definecheck#sessionid=1#checkid=SNMP#parameters=\"" +
                snmp_definition + "\"#");
  EXPECT_EQ(
      ask("#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=SNMP#"),
      "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid=SNMP#parameters=\"" +
          snmp_definition + "\"#");
  // The mount points of this host are offered, "/" among them.
  const std::string disks =
      ask("#keycount=4#sessionid=1#requestaction=definecheck#checkid=DiskSpace#");
  EXPECT_NE(disks.find("#paramname2=Disks#paramtype2=listcombo#valuecount="), std::string::npos)
      << disks;
  EXPECT_TRUE(disks.find("=/#") != std::string::npos) << disks;
}

TEST(ChecksOverSsh, EachCheckGivesAVerdict) {
  LoopbackServer web({"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>all well</p>\n"});
  const testing_support::TestCertificate certificate = testing_support::make_certificate();
  LoopbackServer tls({"", false, true, &certificate});
  const SnmpdProcess snmpd("quor2-ssh-test", {});
  const struct {
    std::string id, para, answer;  // after "result="
    bool whole;                    // or only the beginning
  } runs[] = {
      {"CPU", "#Load Limit [%]=1000#", "up#resultstring=CPU load is ", false},
      {"RAM", "#Free RAM Limit [%]=0#", "", false},
      {"Swap", "#Free Swap Limit [%]=0#", "", false},
      {"DiskSpace", "#Disk Free Limit [%]=100#Disks=/#", "up#resultstring=Disk / is ", false},
      {"Processes", "#Select Process=no such process here#",
       "down#resultstring=Process no such process here is not running#", true},
      {"Ping",
       "#Host name or IP=127.0.0.1#Number of packets=2#Overall timeout [s]=10"
       "#Success rate limit [%]=50#",
       "up#resultstring=100.00%  pings fall into rtt limit. Avg. rtt is ", false},
      {"URL",
       "#URL=http://127.0.0.1:" + std::to_string(web.port()) +
           "/status#Status=200#Text to find=all well#",
       "up#resultstring=200 OK#", true},
      {"Certificate",
       "#Host name=127.0.0.1:" + std::to_string(tls.port()) + "#Remaining limit [days]=30#",
       "up#resultstring=Certificate for " + certificate.subject + " is valid to " +
           certificate.expiry_text + "#",
       true},
      {"SNMP",
       "#Host address=" + snmpd.peer() +
           "#Community=quor2-ssh-test#OID=1.3.6.1.2.1.1.6.0#Test=is = to#Test value=server room#",
       "up#resultstring=1.3.6.1.2.1.1.6.0 = server room#", true},
  };
  SshExchange session(agent().port(), "monitor", "secret");
  for (const auto& run : runs) {
    const std::string answer =
        session.request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + run.id +
                        "#para=\"" + run.para + "\"#");
    const std::string expected =
        "#keycount=5#responseaction=runcheck#sessionid=1#checkid=" + run.id +
        "#result=" + run.answer;
    EXPECT_EQ(run.whole ? answer : answer.substr(0, expected.size()), expected);
  }
}

}  // namespace
