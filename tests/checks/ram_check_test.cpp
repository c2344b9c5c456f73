#include "checks/ram_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"

namespace {

using checks::CheckResult;
using checks::RamCheck;
using testing_support::FakeEnv;

const char* const top = "top -d 1 -n 1 -b";

CheckResult run(const std::string& output, const std::map<std::string, std::string>& params) {
  FakeEnv env;
  env.set_output(top, output);
  RamCheck check(false, env);
  return check.execute(params);
}

TEST(RamCheck, Results) {
  const std::string host = testing_support::read_fixture("top/procps-ng-4.txt");  // 96% free
  const std::string blank_first = testing_support::read_fixture("top/blank-before-swap.txt");
  const struct {
    std::string output;
    std::map<std::string, std::string> params;
    CheckResult result;
  } table[] = {
      {host, {{"Free RAM Limit [%]", "95"}}, CheckResult::verdict(true, "96% of RAM memory free")},
      {host,
       {{"Free RAM Limit [%]", "96"}},
       CheckResult::verdict(false, "Low RAM memory: 96% free")},
      {"", {{"Free RAM Limit [%]", "0"}}, CheckResult::verdict(false, "Low RAM memory: 0% free")},
      {host, {}, CheckResult::failure("Required parameter expected")},
      {host, {{"Free RAM Limit [%]", "abc"}}, CheckResult::failure("Unexpected exception")},
      {blank_first, {{"Free RAM Limit [%]", "1"}}, CheckResult::failure("Unexpected exception")},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.result.result_string + c.result.error_message);
    const CheckResult result = run(c.output, c.params);
    EXPECT_EQ(result.executed, c.result.executed);
    EXPECT_EQ(result.up, c.result.up);
    EXPECT_EQ(result.result_string, c.result.result_string);
    EXPECT_EQ(result.error_message, c.result.error_message);
  }
}

TEST(RamCheck, MissingLimitIsLoggedWithPrefix) {
  testing_support::LogCapture capture(logger::Logger::Error);
  run("", {});
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{
                "Error: RAM usage check Error: Free RAM Limit [%] parameter missing.",
                "Error: Required parameter expected"}));
}

TEST(RamCheck, HangingTopTimesOutAndLeavesNothingBehind) {
  testing_support::HangingPrograms programs;
  programs.add("top", "MiB Mem :  100.0 total,  50.0 free,  50.0 used,  0.0 buff/cache\n");
  const utils::Env env(1);
  RamCheck check(false, env);
  const CheckResult result = check.execute({{"Free RAM Limit [%]", "10"}});
  EXPECT_EQ(result.error_message, "Command timed out: top -d 1 -n 1 -b");
  const std::vector<pid_t> pids = programs.pids_of("top");
  ASSERT_EQ(pids.size(), 2u);
  for (const pid_t pid : pids) EXPECT_FALSE(testing_support::still_running(pid));
}

}  // namespace
