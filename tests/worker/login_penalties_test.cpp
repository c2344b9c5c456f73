// Login penalties on a clock the test moves: 3 failures, 60 s, room for 3
// addresses. A step is the second, f(ailure), s(uccess) or b(locked?), the
// address, and whether the failure begins a penalty or the address is blocked.
#include "worker/login_penalties.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(LoginPenaltiesTest, Scripts) {
  for (const char* script : {"0f a0 1f a0 2b a0 2f a1 3b a1 3b b0 61b a1 62b a0 62f a0",  // begin, end
                             "0f a0 1f a0 2s a0 3f a0 4f a0 5b a0",  // a success clears the count
                             "0f a0 1f a0 600f a0 601f a0 602f a1",  // 10 minutes
                             "0f a0 0f a0 1f b0 2f c0 3f d0 4f a0 5f c0 6f c1"}) {  // a leaves first
    SCOPED_TRACE(script);
    LoginPenalties::Clock::time_point now{};
    LoginPenalties penalties(3, std::chrono::seconds(60), [&now] { return now; }, 3);
    std::istringstream steps(script);
    int at, expected;
    char what, address;
    while (steps >> at >> what >> address >> expected) {
      now = LoginPenalties::Clock::time_point{} + std::chrono::seconds(at);
      const std::string client(1, address);
      if (what == 's') {
        penalties.succeeded(client);
      } else {
        EXPECT_EQ(what == 'f' ? penalties.failed(client) : penalties.blocked(client), expected == 1)
            << at << what << address;
      }
    }
  }
  LoginPenalties off(0, std::chrono::seconds(60));  // 0 failures: off
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(off.failed("a"));
  EXPECT_FALSE(off.blocked("a"));
}
