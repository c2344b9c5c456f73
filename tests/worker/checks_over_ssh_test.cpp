// All nine checks as a monitoring server meets them: the real agent over
// SSH, with loopback servers standing in for the hosts the network checks
// reach.
#include <gtest/gtest.h>

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

std::string run_request(const std::string& check_id, const std::string& para) {
  return "#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + check_id + "#para=\"" + para +
         "\"#";
}

std::string answer_head(const std::string& check_id) {
  return "#keycount=5#responseaction=runcheck#sessionid=1#checkid=" + check_id + "#result=";
}

class ChecksOverSsh : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing_support::AgentConfig config;
    config.checks = "URL, Swap, SNMP, RAM, Processes, Ping, DiskSpace, Certificate, CPU";
    config.loglevel = "Warn";
    agent = std::make_unique<RunningAgent>(config);
  }
  static void TearDownTestSuite() { agent.reset(); }

  std::string ask(const std::string& record) {
    SshExchange session(agent->port(), "monitor", "secret");
    return session.request(record);
  }

  static std::unique_ptr<RunningAgent> agent;
};

std::unique_ptr<RunningAgent> ChecksOverSsh::agent;

TEST_F(ChecksOverSsh, ListingAndDefinitionsAreExact) {
  EXPECT_EQ(ask("#keycount=3#sessionid=1#requestaction=listchecks#"),
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

TEST_F(ChecksOverSsh, HostChecksGiveVerdicts) {
  const struct {
    std::string id, para, answer;  // what the answer begins with after "result="
  } runs[] = {
      {"CPU", "#Load Limit [%]=1000#", "up#resultstring=CPU load is "},
      {"RAM", "#Free RAM Limit [%]=0#", ""},
      {"Swap", "#Free Swap Limit [%]=0#", ""},
      {"DiskSpace", "#Disk Free Limit [%]=100#Disks=/#", "up#resultstring=Disk / is "},
      {"Processes", "#Select Process=no such process here#",
       "down#resultstring=Process no such process here is not running#"},
  };
  SshExchange session(agent->port(), "monitor", "secret");
  for (const auto& run : runs) {
    const std::string answer = session.request(run_request(run.id, run.para));
    EXPECT_EQ(answer.rfind(answer_head(run.id) + run.answer, 0), 0u) << answer;
  }
}

TEST_F(ChecksOverSsh, PingAndUrl) {
  const std::string ping =
      ask(run_request("Ping",
                      "#Host name or IP=127.0.0.1#Number of packets=2#Overall timeout [s]=10"
                      "#Success rate limit [%]=50#"));
  EXPECT_EQ(ping.rfind(answer_head("Ping") + "up#resultstring=100.00%  pings fall into rtt limit. "
                                             "Avg. rtt is ",
                       0),
            0u)
      << ping;

  LoopbackServer web({"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>all well</p>\n"});
  const std::string url = "http://127.0.0.1:" + std::to_string(web.port()) + "/status";
  EXPECT_EQ(ask(run_request("URL", "#URL=" + url + "#Status=200#Text to find=all well#")),
            answer_head("URL") + "up#resultstring=200 OK#");
}

TEST_F(ChecksOverSsh, CertificateAndSnmp) {
  const testing_support::TestCertificate certificate = testing_support::make_certificate();
  LoopbackServer tls({"", false, true, &certificate});
  EXPECT_EQ(ask(run_request("Certificate", "#Host name=127.0.0.1:" + std::to_string(tls.port()) +
                                               "#Remaining limit [days]=30#")),
            answer_head("Certificate") + "up#resultstring=Certificate for " + certificate.subject +
                " is valid to " + certificate.expiry_text + "#");

  const SnmpdProcess snmpd("quor2-ssh-test", {});
  EXPECT_EQ(ask(run_request("SNMP", "#Host address=" + snmpd.peer() +
                                        "#Community=quor2-ssh-test#OID=1.3.6.1.2.1.1.6.0"
                                        "#Test=is = to#Test value=server room#")),
            answer_head("SNMP") + "up#resultstring=1.3.6.1.2.1.1.6.0 = server room#");
}

}  // namespace
