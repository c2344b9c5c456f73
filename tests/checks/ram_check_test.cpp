#include "checks/ram_check.h"

#include <gtest/gtest.h>

#include "support/check_outcome.h"
#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"

namespace {

using checks::RamCheck;
using testing_support::read_fixture;

std::string run(const std::string& top_output, const std::string& limit) {
  testing_support::FakeEnv env;
  env.set_output("top -d 1 -n 1 -b", top_output);
  std::map<std::string, std::string> params;
  if (!limit.empty()) params["Free RAM Limit [%]"] = limit;
  return testing_support::outcome(RamCheck(false, env).execute(params));
}

TEST(RamCheck, Results) {
  const std::string host = read_fixture("top/procps-ng-4.txt");  // 96% free
  EXPECT_EQ(run(host, "95"), "UP: 96% of RAM memory free");
  EXPECT_EQ(run(host, "96"), "DOWN: Low RAM memory: 96% free");
  EXPECT_EQ(run("", "0"), "DOWN: Low RAM memory: 0% free");
  EXPECT_EQ(run(host, "abc"), "ERROR: Unexpected exception");
  EXPECT_EQ(run(read_fixture("top/blank-before-swap.txt"), "1"), "ERROR: Unexpected exception");
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(run(host, ""), "ERROR: Required parameter expected");
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{
                "Error: RAM usage check Error: Free RAM Limit [%] parameter missing.",
                "Error: Required parameter expected"}));
}

TEST(RamCheck, HangingTopTimesOutAndLeavesNothingBehind) {
  testing_support::HangingPrograms programs;
  programs.add("top", "MiB Mem :  100.0 total,  50.0 free,  50.0 used,  0.0 buff/cache\n");
  const utils::Env env(1);
  EXPECT_EQ(testing_support::outcome(RamCheck(false, env).execute({{"Free RAM Limit [%]", "10"}})),
            "ERROR: Command timed out: top -d 1 -n 1 -b");
  EXPECT_TRUE(programs.ended("top"));
}

}  // namespace
