#include "utils/address_range.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>

#include "utils/address.h"

namespace {

using utils::AddressRange;

TEST(AddressRange, Contains) {
  const struct {
    const char* range;
    const char* address;
    bool contained;
  } rows[] = {
      {"10.0.0.0 - 10.255.255.255", "10.1.2.3", true},
      {"10.0.0.0 - 10.255.255.255", "11.0.0.1", false},
      {"10.0.0.0 - 10.255.255.255", "9.255.255.255", false},
      {"192.168.1.10-192.168.2.5", "192.168.2.1", true},
      {"10.0.0.1 - 10.0.0.9", "10.0.0.9", true},
      {"10.0.0.9 - 10.0.0.1", "10.0.0.5", false},
      {"fe80::1 - fe80::ff", "fe80::100", false},
      {"2001:db8::ff - 2001:db8::1:ff", "2001:db8::1:0", true},
      {"10.0.0.0/8", "10.255.255.255", true},
      {"10.0.0.0/8", "11.0.0.0", false},
      {"10.9.9.9/8", "10.0.0.1", true},  // host bits are ignored
      {"192.0.2.7/32", "192.0.2.7", true},
      {"192.0.2.7/32", "192.0.2.8", false},
      {"0.0.0.0/0", "255.255.255.255", true},
      {"192.0.2.0/25", "192.0.2.127", true},
      {"192.0.2.0/25", "192.0.2.128", false},
      {"2001:db8::/32", "2001:db8:ffff::1", true},
      {"2001:db8::/32", "2001:db9::", false},
      {"::1/128", "::1", true},
      {"::/0", "ffff::1", true},
      // Families never cross, IPv4-mapped clients included.
      {"::/0", "127.0.0.1", false},
      {"0.0.0.0/0", "::1", false},
      {"10.0.0.1 - 10.0.0.9", "::ffff:10.0.0.5", false},
      // Bounds that do not convert hold no address.
      {"10.0.0.1 - 10.0.0.256", "10.0.0.5", false},
      {"10.0.0.1 - 10.0.0.9", "", false},
  };
  for (const auto& c : rows) {
    const auto range = AddressRange::parse(c.range);
    ASSERT_TRUE(range) << c.range;
    EXPECT_EQ(range->contains(c.address), c.contained) << c.address << " in " << c.range;
  }
  for (const char* text :
       {"", "10.0.0.1", "10.0.0.1 - ::1", "10.0.0.1 - 2 - 3", "10.0.0.0/33", "::/129", "10.0.0.0/",
        "10.0.0.0/8x", "10.0.0.0/-1", "10.0.0/8", "host/8"}) {
    EXPECT_FALSE(AddressRange::parse(text)) << text;
  }
  EXPECT_EQ(AddressRange::parse("10.0.0.1-10.0.0.9")->text(), "10.0.0.1 - 10.0.0.9");
  EXPECT_EQ(AddressRange::parse("10.0.0.0/8")->text(), "10.0.0.0/8");
  EXPECT_FALSE(AddressRange::parse("10.0.0.1 - 10.0.0.9")->empty());
  EXPECT_TRUE(AddressRange::parse("10.0.0.9 - 10.0.0.1")->empty());
  EXPECT_TRUE(AddressRange::parse("a - b")->empty());
}

// The peer of the accepted end of a loopback connection, in its own family;
// none without a connection.
TEST(Address, PeerIp) {
  namespace ip = boost::asio::ip;
  for (const std::string loopback : {"127.0.0.1", "::1"}) {
    boost::asio::io_context io;
    ip::tcp::socket client(io), server(io);
    ip::tcp::acceptor acceptor(io, {ip::make_address(loopback), 0});
    client.connect(acceptor.local_endpoint());
    acceptor.accept(server);
    EXPECT_EQ(utils::get_peer_ip(server.native_handle()), loopback);
    EXPECT_EQ(utils::get_peer_ip(acceptor.native_handle()), "");
  }
}

}  // namespace
