#include "checks/swap_check.h"

#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

using checks::CheckResult;
using checks::SwapCheck;
using testing_support::FakeEnv;

CheckResult run(const std::string& fixture, const std::map<std::string, std::string>& params) {
  FakeEnv env;
  env.set_fixture("top -d 1 -n 1 -b", fixture);
  SwapCheck check(false, env);
  return check.execute(params);
}

TEST(SwapCheck, Results) {
  const struct {
    const char* fixture;
    const char* limit;
    bool up;
    const char* text;
  } table[] = {
      {"top/procps-ng-3.3.txt", "10", true, "74% of SWAP memory free"},
      {"top/procps-ng-3.3.txt", "74", false, "Low SWAP memory: 74% free"},
      {"top/procps-ng-4.txt", "99", true, "100% of SWAP memory free"},  // no swap: total 0
      {"top/no-swap-line.txt", "0", false, "Low SWAP memory: 0% free"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(std::string(c.fixture) + " limit " + c.limit);
    const CheckResult result = run(c.fixture, {{"Free Swap Limit [%]", c.limit}});
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string, c.text);
  }
}

TEST(SwapCheck, MissingLimitIsLoggedWithPrefix) {
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(run("top/procps-ng-4.txt", {}).error_message, "Required parameter expected");
  EXPECT_TRUE(
      capture.contains("Error: Swap usage check Error: Free Swap Limit [%] parameter missing."));
}

}  // namespace
