#include "checks/swap_check.h"

#include <gtest/gtest.h>

#include "support/check_outcome.h"
#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

std::string run(const std::string& fixture, const std::map<std::string, std::string>& params) {
  testing_support::FakeEnv env;
  env.set_fixture("top -d 1 -n 1 -b", fixture);
  return testing_support::outcome(checks::SwapCheck(false, env).execute(params));
}

TEST(SwapCheck, Results) {
  const std::string limit = "Free Swap Limit [%]";
  EXPECT_EQ(run("top/procps-ng-3.3.txt", {{limit, "10"}}), "UP: 74% of SWAP memory free");
  EXPECT_EQ(run("top/procps-ng-3.3.txt", {{limit, "74"}}), "DOWN: Low SWAP memory: 74% free");
  // No swap at all: a total of 0 is all free.
  EXPECT_EQ(run("top/procps-ng-4.txt", {{limit, "99"}}), "UP: 100% of SWAP memory free");
  EXPECT_EQ(run("top/no-swap-line.txt", {{limit, "0"}}), "DOWN: Low SWAP memory: 0% free");
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(run("top/procps-ng-4.txt", {}), "ERROR: Required parameter expected");
  EXPECT_TRUE(
      capture.contains("Error: Swap usage check Error: Free Swap Limit [%] parameter missing."));
}

}  // namespace
