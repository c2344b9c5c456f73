// Login penalties on a clock the test moves: the window, the penalty's end,
// a success, the bounded table and "off".
#include "worker/login_penalties.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::minutes;
using std::chrono::seconds;

TEST(LoginPenaltiesTest, WindowPenaltySuccessAndTableBound) {
  LoginPenalties::Clock::time_point now{};
  LoginPenalties penalties(3, seconds(60), [&now] { return now; }, 2);
  const auto fails_at = [&](minutes at, const std::string& address) {
    now = LoginPenalties::Clock::time_point{} + at;
    return penalties.failed(address);
  };
  EXPECT_FALSE(fails_at(minutes(0), "a") || fails_at(minutes(1), "a"));
  EXPECT_FALSE(fails_at(minutes(10), "a"));  // the first one has left the window
  EXPECT_FALSE(penalties.blocked("a"));
  EXPECT_TRUE(fails_at(minutes(10), "a"));
  EXPECT_TRUE(penalties.blocked("a") && !penalties.blocked("b"));
  now += seconds(59);
  EXPECT_TRUE(penalties.blocked("a"));
  now += seconds(1);
  EXPECT_FALSE(penalties.blocked("a"));

  EXPECT_FALSE(fails_at(minutes(20), "a"));
  EXPECT_FALSE(fails_at(minutes(20), "b") || fails_at(minutes(20), "b"));
  penalties.succeeded("b");
  EXPECT_FALSE(fails_at(minutes(20), "b") || fails_at(minutes(20), "b"));
  // Two addresses fit; "a", counted least recently, makes room for "c".
  EXPECT_FALSE(fails_at(minutes(20), "c"));
  EXPECT_TRUE(fails_at(minutes(20), "b"));
  EXPECT_FALSE(fails_at(minutes(20), "a") || fails_at(minutes(20), "a"));  // from one again

  LoginPenalties off(0, seconds(60));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(off.failed("a") || off.blocked("a"));
}

}  // namespace
