#include "checks/snmp_check.h"

#include <gtest/gtest.h>

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

TEST(SnmpCheck, MissingParameters) {
  for (const std::string name : {"Host address", "Community", "OID", "Test", "Test value"}) {
    Params params = params_for("127.0.0.1:1", "1.3.6.1.2.1.1.3.0", "is = to", "1");
    params.erase(name);
    LogCapture capture(logger::Logger::Error);
    const CheckResult result = run(params);
    EXPECT_FALSE(result.executed);
    EXPECT_EQ(result.error_message, "Required parameter expected");
    EXPECT_EQ(capture.messages(),
              std::vector<std::string>{"Error: SNMP check Error: " + name + " parameter missing."});
  }
}

// The snmpd of the live tests, started once, and the library initialised.
const SnmpdProcess& snmpd() {
  testing_support::init_snmp_once();
  static const SnmpdProcess process(community, {{1, {"timeticks", "50"}}, {2, {"integer", "12"}}});
  return process;
}

Params served(int key, const std::string& test, const std::string& test_value) {
  return params_for(snmpd().peer(), SnmpdProcess::served_oid(key), test, test_value);
}

TEST(SnmpCheckLive, FailuresAndWhatTheyLog) {
  Params wrong_community = served(2, "is = to", "1");
  wrong_community["Community"] = "not-the-community";
  const struct {
    Params params;
    const char* message;
    std::vector<std::string> error_lines;
  } table[] = {
      {served(2, "contains", "1"), "Can not perform contains check on this data type.", {}},
      {served(2, "is = to", "abc"), "Invalid argument", {}},
      {served(2, "is = to", "99999999999999999999"),
       "Unexpected exception",
       {"Error: Unexpected exception"}},
      // No answer: the library's retries run out (about six seconds).
      {wrong_community, "Timeout", {}},
  };
  for (const auto& c : table) {
    LogCapture capture;
    const CheckResult result = run(c.params);
    EXPECT_FALSE(result.executed);
    EXPECT_EQ(result.error_message, c.message);
    std::vector<std::string> error_lines;
    for (const std::string& message : capture.messages()) {
      if (message.rfind("Error: ", 0) == 0) error_lines.push_back(message);
    }
    EXPECT_EQ(error_lines, c.error_lines) << c.message;
    EXPECT_TRUE(capture.contains("Trace:  < SnmpCheck::execute"));
  }
}

TEST(SnmpCheckLive, LogsTheRunButNotTheCommunity) {
  LogCapture capture;
  const CheckResult result = run(served(1, "is > than", "100"));
  EXPECT_TRUE(result.executed);
  EXPECT_FALSE(result.up);
  EXPECT_EQ(result.result_string, SnmpdProcess::served_oid(1) + " = 50");
  EXPECT_TRUE(capture.contains("Debug: Executing SNMP v2c check to " + snmpd().peer() +
                               ":***. Checking if " + SnmpdProcess::served_oid(1) +
                               " is > than 100"));
  EXPECT_EQ(capture.text().find(community), std::string::npos);
}

}  // namespace
