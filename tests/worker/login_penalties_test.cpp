// Login penalties on a clock the test moves: 3 failures, 60 s of penalty,
// room for 3 addresses. Each step: seconds since the start, what happens
// (f: a failure, s: a success, b: a probe), the address, and whether the
// failure begins a penalty or the probe finds the address blocked.
#include "worker/login_penalties.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(LoginPenaltiesTest, Scripts) {
  const std::pair<const char*, const char*> scripts[] = {
      {"begins at the third failure, spares others, ends after 60 s",
       "0f a0 1f a0 2b a0 2f a1 3b a1 3b b0 61b a1 62b a0 62f a0"},
      {"a success clears the count", "0f a0 1f a0 2s a0 3f a0 4f a0 5b a0"},
      {"failures older than 10 minutes do not count", "0f a0 1f a0 600f a0 601f a0 602f a1"},
      {"the oldest address leaves a full table", "0f a0 0f a0 1f b0 2f c0 3f d0 4f a0 5f c0 6f c1"},
  };
  for (const auto& script : scripts) {
    SCOPED_TRACE(script.first);
    LoginPenalties::Clock::time_point now{};
    LoginPenalties penalties(3, std::chrono::seconds(60), [&now] { return now; }, 3);
    std::istringstream steps(script.second);
    int at;
    char what, address;
    int expected;
    while (steps >> at >> what >> address >> expected) {
      SCOPED_TRACE(std::to_string(at) + what + address);
      now = LoginPenalties::Clock::time_point{} + std::chrono::seconds(at);
      const std::string client(1, address);
      if (what == 's') {
        penalties.succeeded(client);
      } else {
        EXPECT_EQ(what == 'f' ? penalties.failed(client) : penalties.blocked(client), expected == 1);
      }
    }
  }
  LoginPenalties off(0, std::chrono::seconds(60));
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(off.failed("a"));
  EXPECT_FALSE(off.blocked("a"));
}

}  // namespace
