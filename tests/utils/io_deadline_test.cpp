#include "utils/io_deadline.h"

#include <gtest/gtest.h>

#include <boost/asio/steady_timer.hpp>

namespace {

TEST(RunWithDeadline, LeftWorkIsATimeOut) {
  boost::asio::io_service idle;
  utils::run_with_deadline(idle, 1);  // nothing to do

  boost::asio::io_service io;
  boost::asio::steady_timer timer(io, std::chrono::hours(1));
  bool fired = false;
  timer.async_wait([&](const boost::system::error_code&) { fired = true; });
  try {
    utils::run_with_deadline(io, 1);
    ADD_FAILURE() << "no time-out";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Timed out after 1 s");
  }
  EXPECT_FALSE(fired);
}

}  // namespace
