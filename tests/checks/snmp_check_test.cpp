#include "checks/snmp_check.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "checks/check_factory.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/snmpd_process.h"

namespace {

using checks::CheckResult;
using checks::SnmpCheck;
using testing_support::LogCapture;
using testing_support::SnmpdProcess;

using Params = std::map<std::string, std::string>;

const char community[] = "quor2-check-test";

Params params_for(const std::string& host, const std::string& oid, const std::string& test,
                  const std::string& test_value) {
  return {{"Host address", host},
          {"Community", community},
          {"OID", oid},
          {"Test", test},
          {"Test value", test_value}};
}

CheckResult run(const Params& params) {
  SnmpCheck check(false, utils::Env::standard());
  return check.execute(params);
}

TEST(SnmpCheck, Definition) {
  SnmpCheck for_params(true, utils::Env::standard());
  EXPECT_EQ(for_params.get_description(), "SNMP v2c value check");
  EXPECT_EQ(for_params.get_params_definition(),
            "#paramname1=Host address#paramtype1=text#maxlength1=255#paramname2=Community#"
            "paramtype2=text#maxlength2=255#default2=kestra#paramname3=OID#paramtype3=text#"
            "maxlength3=255#paramname4=Test#paramtype4=listdrop#default4=is = to#valuecount=8#"
            "value1=is < than#value2=is <= than#value3=is = to#value4=is <> to#value5=is >= "
            "than#value6=is > than#value7=contains#value8=doesn't contain#atbutton_paramcount=1#"
            "atbutton_param1=Test#paramname5=Test value#paramtype5=text#maxlength5=255#");
  SnmpCheck for_check(false, utils::Env::standard());
  EXPECT_EQ(for_check.get_params_definition(), "#");
  EXPECT_TRUE(for_check.combo_values.empty());
}

TEST(SnmpCheck, ListedAfterCpu) {
  LogCapture capture(logger::Logger::Debug);
  const checks::CheckFactory factory({"SNMP", "CPU"}, std::make_shared<testing_support::FakeEnv>());
  EXPECT_EQ(factory.list_checks(),
            (std::pair<int, std::string>{
                2,
                "#checkid1=CPU#checkdescription1=CPU Usage#available1=true#checkid2=SNMP#"
                "checkdescription2=SNMP v2c value check#available2=true#"}));
  EXPECT_TRUE(capture.contains("Debug: SnmpCheck for check"));
  EXPECT_EQ(factory.get_check("SNMP", false)->get_description(), "SNMP v2c value check");
}

TEST(SnmpCheck, MissingParameters) {
  for (const std::string name : {"Host address", "Community", "OID", "Test", "Test value"}) {
    SCOPED_TRACE(name);
    Params params = params_for("127.0.0.1:1", "1.3.6.1.2.1.1.3.0", "is = to", "1");
    params.erase(name);
    LogCapture capture(logger::Logger::Error);
    const CheckResult result = run(params);
    EXPECT_FALSE(result.executed);
    EXPECT_FALSE(result.up);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, "Required parameter expected");
    EXPECT_EQ(capture.messages(),
              std::vector<std::string>{"Error: SNMP check Error: " + name + " parameter missing."});
  }
}

TEST(SnmpCheck, UnparsableOidFails) {
  testing_support::init_snmp_once();
  // The session opens without traffic; the OID fails before anything is sent.
  const CheckResult result = run(params_for("127.0.0.1:1", "not an oid", "is = to", "1"));
  EXPECT_FALSE(result.executed);
  EXPECT_EQ(result.error_message.rfind("Unknown Object Identifier", 0), 0u) << result.error_message;
}

class SnmpCheckLive : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing_support::init_snmp_once();
    try {
      snmpd = std::make_unique<SnmpdProcess>(
          community, std::map<int, SnmpdProcess::Value>{{1, {"timeticks", "345"}},
                                                        {2, {"timeticks", "50"}},
                                                        {3, {"string", "server room"}},
                                                        {4, {"integer", "12"}},
                                                        {5, {"ipaddress", "127.0.0.1"}}});
    } catch (const std::exception& error) {
      start_error = error.what();
    }
  }
  static void TearDownTestSuite() { snmpd.reset(); }
  void SetUp() override { ASSERT_TRUE(snmpd) << start_error; }

  static Params params(int key, const std::string& test, const std::string& test_value) {
    return params_for(snmpd->peer(), SnmpdProcess::served_oid(key), test, test_value);
  }

  static std::unique_ptr<SnmpdProcess> snmpd;
  static std::string start_error;
};

std::unique_ptr<SnmpdProcess> SnmpCheckLive::snmpd;
std::string SnmpCheckLive::start_error;

TEST_F(SnmpCheckLive, Verdicts) {
  const struct {
    std::string oid;
    const char* test;
    const char* test_value;
    bool up;
    const char* value_text;
  } table[] = {
      {SnmpdProcess::served_oid(1), "is > than", "100", true, "345"},
      {SnmpdProcess::served_oid(2), "is > than", "100", false, "50"},
      {SnmpdProcess::served_oid(3), "contains", "kitchen", false, "server room"},
      {SnmpdProcess::served_oid(4), "is <= than", "12", true, "12"},
      {"1.3.6.1.2.1.1.6.0", "is = to", "server room", true, "server room"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.oid + " " + c.test + " " + c.test_value);
    const CheckResult result = run(params_for(snmpd->peer(), c.oid, c.test, c.test_value));
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string, c.oid + " = " + c.value_text);
    EXPECT_EQ(result.error_message, "");
  }
}

TEST_F(SnmpCheckLive, FailuresAndWhatTheyLog) {
  const struct {
    Params params;
    const char* message;
    std::vector<std::string> error_lines;
  } table[] = {
      {params(4, "contains", "1"), "Can not perform contains check on this data type.", {}},
      {params(4, "is = to", "abc"), "Invalid argument", {}},
      {params(1, "Is = To", "1"), "Unknown test type: Is = To", {}},
      {params(5, "is = to", "1"), "Unexpected value type: 64", {}},
      {params(9, "is = to", "1"), "No such instance currently exists at this OID", {}},
      {params(4, "is = to", "99999999999999999999"),
       "Unexpected exception",
       {"Error: Unexpected exception"}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.message);
    LogCapture capture;
    const CheckResult result = run(c.params);
    EXPECT_FALSE(result.executed);
    EXPECT_FALSE(result.up);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, c.message);
    std::vector<std::string> error_lines;
    for (const std::string& message : capture.messages()) {
      if (message.rfind("Error: ", 0) == 0) error_lines.push_back(message);
    }
    EXPECT_EQ(error_lines, c.error_lines);
    EXPECT_TRUE(capture.contains("Trace:  < SnmpCheck::execute"));
  }
}

TEST_F(SnmpCheckLive, LogsTheRunButNotTheCommunity) {
  LogCapture capture;
  run(params(1, "is > than", "100"));
  const std::vector<std::string> expected = {
      "Trace:  > SnmpCheck::execute",
      "Debug: Executing SNMP v2c check to " + snmpd->peer() + ":***. Checking if " +
          SnmpdProcess::served_oid(1) + " is > than 100",
      "Trace:  < SnmpCheck::execute",
  };
  const std::vector<std::string> messages = capture.messages();
  const auto start = std::find(messages.begin(), messages.end(), expected[0]);
  ASSERT_LE(start + expected.size(), messages.end());
  EXPECT_EQ(std::vector<std::string>(start, start + expected.size()), expected);
  EXPECT_EQ(capture.text().find(community), std::string::npos);
}

// A UDP socket that never answers: the library's retries run out (about
// six seconds).
TEST(SnmpCheck, SilentAgentTimesOut) {
  testing_support::init_snmp_once();
  const int silent = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  socklen_t length = sizeof(address);
  getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string peer = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  const CheckResult result = run(params_for(peer, "1.3.6.1.2.1.1.3.0", "is = to", "1"));
  close(silent);
  EXPECT_FALSE(result.executed);
  EXPECT_EQ(result.error_message, "Timeout");
}

}  // namespace
