#include "checks/cpu_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/text_line_reader.h"

namespace {

using checks::CheckResult;
using checks::CpuCheck;
using testing_support::FakeEnv;

TEST(ParseVmstat, Layouts) {
  const std::pair<const char*, int> cases[] = {
      {"vmstat/procps-ng-4.txt", 5},
      {"vmstat/procps-ng-4.0.4.txt", 81},
      {"vmstat/procps-3.2.txt", 81},
      {"vmstat/freebsd.txt", 16},  // "sy" twice: the cpu column (the last) counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    testing_support::TextLineReader output(testing_support::read_fixture(c.first));
    EXPECT_EQ(CpuCheck::parse_vmstat(output), c.second);
  }
}

CheckResult run(const std::string& fixture, const std::map<std::string, std::string>& params) {
  FakeEnv env;
  env.set_fixture("vmstat 1 2", fixture);
  CpuCheck check(false, env);
  const CheckResult result = check.execute(params);
  return result;
}

TEST(CpuCheck, Verdicts) {
  const struct {
    const char* fixture;
    const char* limit;
    bool up;
    const char* text;
  } table[] = {
      {"vmstat/procps-ng-4.txt", "80", true, "CPU load is 5"},
      {"vmstat/procps-3.2.txt", "81", true, "CPU load is 81"},
      {"vmstat/procps-3.2.txt", "80", false, "CPU load 81 out of Limit 80"},
      {"vmstat/procps-ng-4.txt", " 4abc", false, "CPU load 5 out of Limit 4"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(std::string(c.fixture) + " limit " + c.limit);
    const CheckResult result = run(c.fixture, {{"Load Limit [%]", c.limit}});
    EXPECT_TRUE(result.executed);
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string, c.text);
    EXPECT_EQ(result.error_message, "");
  }
}

TEST(CpuCheck, Failures) {
  const struct {
    const char* fixture;
    std::map<std::string, std::string> params;
    const char* message;
  } table[] = {
      {"vmstat/procps-ng-4.txt", {}, "Required parameter expected"},
      {"vmstat/procps-ng-4.txt", {{"Load Limit [%]", "abc"}}, "Unexpected exception"},
      {"vmstat/procps-ng-4.txt", {{"Load Limit [%]", "99999999999"}}, "Unexpected exception"},
      {"vmstat/non-numeric.txt", {{"Load Limit [%]", "80"}}, "Unexpected exception"},
      {"vmstat/truncated.txt", {{"Load Limit [%]", "80"}}, "Unexpected vmstat output: fewer than 4 lines"},
      {"vmstat/no-sy-column.txt", {{"Load Limit [%]", "80"}}, "Unexpected vmstat output: no us or sy column"},
      {"vmstat/short-values.txt", {{"Load Limit [%]", "80"}}, "Unexpected vmstat output: too few values"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.fixture);
    const CheckResult result = run(c.fixture, c.params);
    EXPECT_FALSE(result.executed);
    EXPECT_FALSE(result.up);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, c.message);
  }
}

TEST(CpuCheck, NoOutputAtAll) {
  FakeEnv env;  // vmstat missing: the shell prints nothing on stdout
  CpuCheck check(false, env);
  EXPECT_EQ(check.execute({{"Load Limit [%]", "80"}}).error_message,
            "Unexpected vmstat output: fewer than 4 lines");
  EXPECT_EQ(env.commands_run(), std::vector<std::string>{"vmstat 1 2"});
}

TEST(CpuCheck, MissingLimitIsLoggedWithPrefix) {
  testing_support::LogCapture capture(logger::Logger::Error);
  run("vmstat/procps-ng-4.txt", {});
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{"Error: CPU Check Error: Load Limit [%] parameter missing.",
                                      "Error: Required parameter expected"}));
}

TEST(CpuCheck, Definition) {
  CpuCheck for_params(true, utils::Env::standard());
  EXPECT_EQ(for_params.get_description(), "CPU Usage");
  EXPECT_EQ(for_params.get_params_definition(),
            "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#");
  CpuCheck for_check(false, utils::Env::standard());
  EXPECT_EQ(for_check.get_params_definition(), "#");
}

TEST(CpuCheck, LiveVmstatGivesAVerdict) {
  CpuCheck check(false, utils::Env::standard());
  // vmstat rounds each column, so us + sy of a busy host can make 101.
  const CheckResult result = check.execute({{"Load Limit [%]", "200"}});
  EXPECT_TRUE(result.executed) << result.error_message;
  EXPECT_TRUE(result.up);
  EXPECT_EQ(result.result_string.rfind("CPU load is ", 0), 0u);
}

}  // namespace
