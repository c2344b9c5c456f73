// Login penalties on a clock the test moves: the window, the penalty's end,
// a success, the bounded table, blocks that outlast a flood, IPv6 per /64
// and "off".
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

  // A table of blocked clients records no new one until a block ends.
  EXPECT_TRUE(fails_at(minutes(20), "a") && penalties.blocked("b"));
  EXPECT_FALSE(fails_at(minutes(20), "d") || fails_at(minutes(20), "d") ||
               fails_at(minutes(20), "d") || penalties.blocked("d"));
  EXPECT_FALSE(fails_at(minutes(21), "d") || fails_at(minutes(21), "d"));
  EXPECT_TRUE(fails_at(minutes(21), "d"));

  LoginPenalties off(0, seconds(60));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(off.failed("a") || off.blocked("a"));
}

TEST(LoginPenaltiesTest, BlocksOutlastAFloodAndIpv6CountsPer64) {
  EXPECT_EQ(LoginPenalties::key("2001:db8:1:2:3:4:5:6"), "2001:db8:1:2::/64");
  EXPECT_EQ(LoginPenalties::key("::1"), "::/64");
  EXPECT_EQ(LoginPenalties::key("192.0.2.7"), "192.0.2.7");

  LoginPenalties::Clock::time_point now{};
  LoginPenalties penalties(3, seconds(60), [&now] { return now; });
  EXPECT_FALSE(penalties.failed("2001:db8:1:2::1") || penalties.failed("2001:db8:1:2:ff::9"));
  EXPECT_TRUE(penalties.failed("2001:db8:1:2::1"));
  EXPECT_TRUE(penalties.blocked("2001:db8:1:2:abcd::7"));
  EXPECT_FALSE(penalties.blocked("2001:db8:1:3::1"));
  for (int i = 0; i < 5000; ++i) {
    penalties.failed("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
  }
  EXPECT_TRUE(penalties.blocked("2001:db8:1:2::1"));
  penalties.succeeded("2001:db8:1:2::1");  // a login that raced the block lifts nothing
  EXPECT_TRUE(penalties.blocked("2001:db8:1:2::1"));
  now += seconds(60);
  EXPECT_FALSE(penalties.blocked("2001:db8:1:2::1"));
}

}  // namespace
