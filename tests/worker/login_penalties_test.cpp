#include "worker/login_penalties.h"

#include <gtest/gtest.h>

namespace {

using Clock = LoginPenalties::Clock;
using std::chrono::seconds;

// A script of logins and probes against one table of 3 failures, 60 s of
// penalty and room for 3 addresses, on a clock the steps move.
struct Step {
  int at;  // seconds since the start
  enum { kFail, kSucceed, kProbe } what;
  std::string address;
  bool expected;  // kFail: a penalty begins; kProbe: the address is blocked
};

TEST(LoginPenaltiesTest, Scripts) {
  const std::vector<std::pair<std::string, std::vector<Step>>> scripts = {
      {"begins at the third failure, spares others, ends after 60 s",
       {{0, Step::kFail, "a", false},
        {1, Step::kFail, "a", false},
        {2, Step::kProbe, "a", false},
        {2, Step::kFail, "a", true},
        {3, Step::kProbe, "a", true},
        {3, Step::kProbe, "b", false},
        {61, Step::kProbe, "a", true},
        {62, Step::kProbe, "a", false},
        {62, Step::kFail, "a", false}}},
      {"a success clears the count",
       {{0, Step::kFail, "a", false},
        {1, Step::kFail, "a", false},
        {2, Step::kSucceed, "a", false},
        {3, Step::kFail, "a", false},
        {4, Step::kFail, "a", false},
        {5, Step::kProbe, "a", false}}},
      {"failures older than 10 minutes do not count",
       {{0, Step::kFail, "a", false},
        {1, Step::kFail, "a", false},
        {600, Step::kFail, "a", false},
        {601, Step::kFail, "a", false},
        {602, Step::kFail, "a", true}}},
      {"the oldest address goes first when the table is full",
       {{0, Step::kFail, "a", false},
        {0, Step::kFail, "a", false},
        {1, Step::kFail, "b", false},
        {2, Step::kFail, "c", false},
        {3, Step::kFail, "d", false},  // "a" leaves the table
        {4, Step::kFail, "a", false},
        {5, Step::kFail, "c", false},
        {6, Step::kFail, "c", true}}},
  };
  for (const auto& script : scripts) {
    SCOPED_TRACE(script.first);
    Clock::time_point now{};
    LoginPenalties penalties(3, seconds(60), [&now] { return now; }, 3);
    for (const Step& step : script.second) {
      SCOPED_TRACE(std::to_string(step.at) + " s, " + step.address);
      now = Clock::time_point{} + seconds(step.at);
      switch (step.what) {
        case Step::kFail:
          EXPECT_EQ(penalties.failed(step.address), step.expected);
          break;
        case Step::kSucceed:
          penalties.succeeded(step.address);
          break;
        case Step::kProbe:
          EXPECT_EQ(penalties.blocked(step.address), step.expected);
          break;
      }
    }
  }
}

TEST(LoginPenaltiesTest, ZeroFailuresTurnsThemOff) {
  LoginPenalties penalties(0, seconds(60));
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(penalties.failed("a"));
  EXPECT_FALSE(penalties.blocked("a"));
}

}  // namespace
