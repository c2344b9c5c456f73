#include "utils/host_resolver.h"

#include <gtest/gtest.h>

namespace {

using utils::HostResolver;

struct Outcome {
  int calls = 0;
  boost::system::error_code error;
  HostResolver::Endpoints endpoints;
};

Outcome resolve(const std::string& host, const std::string& service) {
  boost::asio::io_service io;
  Outcome outcome;
  HostResolver resolver(io);
  resolver.async_resolve(
      host, service,
      [&](const boost::system::error_code& error, const HostResolver::Endpoints& endpoints) {
        ++outcome.calls;
        outcome.error = error;
        outcome.endpoints = endpoints;
      });
  io.run();
  return outcome;
}

TEST(HostResolver, Outcomes) {
  const Outcome numeric = resolve("127.0.0.1", "8080");
  EXPECT_EQ(numeric.calls, 1);
  EXPECT_FALSE(numeric.error);
  ASSERT_EQ(numeric.endpoints.size(), 1u);
  EXPECT_EQ(numeric.endpoints[0],
            boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 8080));

  for (const char* never : {"nohost.invalid", "NoHost.INVALID.", "invalid"}) {
    const Outcome unknown = resolve(never, "80");
    EXPECT_EQ(unknown.calls, 1) << never;
    EXPECT_EQ(unknown.error, boost::asio::error::host_not_found) << never;
    EXPECT_TRUE(unknown.endpoints.empty()) << never;
  }
  // Only the last label counts.
  EXPECT_NE(resolve("invalid.localhost", "80").error, boost::asio::error::host_not_found);

  EXPECT_EQ(resolve("127.0.0.1", "no-such-service").error, boost::asio::error::service_not_found);
}

TEST(HostResolver, AbandonedLookupDeliversNothing) {
  boost::asio::io_service io;
  int calls = 0;
  {
    HostResolver resolver(io);
    resolver.async_resolve(
        "127.0.0.1", "80",
        [&](const boost::system::error_code&, const HostResolver::Endpoints&) { ++calls; });
  }
  io.run();  // returns: an abandoned lookup is no work
  EXPECT_EQ(calls, 0);
}

}  // namespace
