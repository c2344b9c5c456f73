#include "utils/host_resolver.h"

#include <gtest/gtest.h>

#include <boost/asio/steady_timer.hpp>

#include "utils/io_deadline.h"

namespace {

// A lookup abandoned before the loop runs delivers nothing.
TEST(HostResolver, AbandonedLookupDeliversNothing) {
  boost::asio::io_service io;
  int calls = 0;
  utils::HostResolver(io).async_resolve(
      "127.0.0.1", "80",
      [&](const boost::system::error_code&, const utils::HostResolver::Endpoints&) { ++calls; });
  io.run();
  EXPECT_EQ(calls, 0);
}

// Work left at the deadline is a time-out, and is dropped undone.
TEST(RunWithDeadline, LeftWorkIsATimeOut) {
  boost::asio::io_service idle, io;
  utils::run_with_deadline(idle, 1);
  boost::asio::steady_timer timer(io, std::chrono::hours(1));
  bool fired = false;
  timer.async_wait([&](const boost::system::error_code&) { fired = true; });
  EXPECT_THROW(utils::run_with_deadline(io, 1), std::runtime_error);
  EXPECT_FALSE(fired);
}

}  // namespace
