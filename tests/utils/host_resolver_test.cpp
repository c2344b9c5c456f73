#include "utils/host_resolver.h"

#include <gtest/gtest.h>

#include <boost/asio/steady_timer.hpp>

#include "utils/io_deadline.h"

namespace {

using utils::HostResolver;

// What the handler got: the error's message or the endpoints, "|" per call.
std::string resolve(const std::string& host, const std::string& service) {
  boost::asio::io_service io;
  std::string outcome;
  HostResolver resolver(io);
  resolver.async_resolve(
      host, service,
      [&](const boost::system::error_code& error, const HostResolver::Endpoints& endpoints) {
        outcome += error ? error.message() : "";
        for (const auto& endpoint : endpoints) {
          outcome += endpoint.address().to_string() + ":" + std::to_string(endpoint.port()) + " ";
        }
        outcome += "|";
      });
  io.run();
  return outcome;
}

TEST(HostResolver, Outcomes) {
  EXPECT_EQ(resolve("127.0.0.1", "8080"), "127.0.0.1:8080 |");
  EXPECT_EQ(resolve("127.0.0.1", "no-such-service"), "Service not found|");
  // Names under "invalid" never reach a name server; only the last label counts.
  for (const char* never : {"nohost.invalid", "NoHost.INVALID.", "invalid"}) {
    EXPECT_EQ(resolve(never, "80"), "Host not found (authoritative)|") << never;
  }
  EXPECT_NE(resolve("invalid.localhost", "80"), "Host not found (authoritative)|");
}

TEST(HostResolver, AbandonedLookupDeliversNothing) {
  boost::asio::io_service io;
  int calls = 0;
  HostResolver(io).async_resolve(
      "127.0.0.1", "80",
      [&](const boost::system::error_code&, const HostResolver::Endpoints&) { ++calls; });
  io.run();  // returns: an abandoned lookup is no work
  EXPECT_EQ(calls, 0);
}

TEST(RunWithDeadline, LeftWorkIsATimeOut) {
  boost::asio::io_service idle, io;
  utils::run_with_deadline(idle, 1);  // nothing to do
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
