#include "utils/address.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>

#include "support/host_key.h"
#include "support/temp_dir.h"
#include "utils/ssh_handles.h"

namespace {

TEST(AddressTest, RangeMatching) {
  const struct {
    const char* address;
    const char* first;
    const char* last;
    bool in_range;
  } cases[] = {
      {"10.1.2.3", "10.0.0.0", "10.255.255.255", true},
      {"11.0.0.1", "10.0.0.0", "10.255.255.255", false},
      {"9.255.255.255", "10.0.0.0", "10.255.255.255", false},
      {"192.168.1.200", "192.168.1.10", "192.168.2.5", true},
      {"192.168.2.1", "192.168.1.10", "192.168.2.5", true},
      {"10.0.0.5", "10.0.0.5", "10.0.0.5", true},
      {"10.0.0.1", "10.0.0.1", "10.0.0.9", true},
      {"10.0.0.9", "10.0.0.1", "10.0.0.9", true},
      {"10.0.0.5", "10.0.0.9", "10.0.0.1", false},
      {"fe80::10", "fe80::1", "fe80::ff", true},
      {"fe80::100", "fe80::1", "fe80::ff", false},
      {"2001:db8::1:0", "2001:db8::ff", "2001:db8::1:ff", true},
      // Texts that do not convert are never in range.
      {"10.0.0.5", "", "10.0.0.9", false},
      {"", "10.0.0.1", "10.0.0.9", false},
      {"10.0.0.256", "10.0.0.1", "10.0.0.9", false},
      // A client of the other family than the range.
      {"::ffff:10.0.0.5", "10.0.0.1", "10.0.0.9", false},
      {"10.0.0.5", "::", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utils::is_address_in_range(c.address, c.first, c.last), c.in_range)
        << c.address << " in " << c.first << " - " << c.last;
  }
}

// The peer of a server session that took over the accepted end of a
// loopback connection; none without a connection.
TEST(AddressTest, ClientIp) {
  namespace asio = boost::asio;
  const testing_support::TempDir dir;
  testing_support::make_rsa_host_key(dir.path());
  const utils::SshBind bind(ssh_bind_new());
  ssh_bind_options_set(bind.get(), SSH_BIND_OPTIONS_HOSTKEY,
                       (dir.path() + "/ssh_host_rsa_key").c_str());
  for (const std::string loopback : {"127.0.0.1", "::1"}) {
    asio::io_context io;
    asio::ip::tcp::socket client(io);
    asio::ip::tcp::socket server(io);
    try {
      asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address(loopback), 0});
      client.connect(acceptor.local_endpoint());
      acceptor.accept(server);
    } catch (const boost::system::system_error& error) {
      if (loopback == "::1") continue;  // no IPv6 loopback here
      FAIL() << error.what();
    }
    const utils::SshSession session(ssh_new());
    ASSERT_EQ(ssh_bind_accept_fd(bind.get(), session.get(), server.release()), SSH_OK);
    ssh_session handle = session.get();
    EXPECT_EQ(utils::get_client_ip(handle), loopback);
  }
  const utils::SshSession unconnected(ssh_new());
  ssh_session handle = unconnected.get();
  EXPECT_EQ(utils::get_client_ip(handle), "");
}

}  // namespace
