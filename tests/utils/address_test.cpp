#include "utils/address.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>

namespace {

// The peer of the accepted end of a loopback connection, in its own family;
// none without a connection.
TEST(AddressTest, PeerIp) {
  namespace asio = boost::asio;
  for (const std::string loopback : {"127.0.0.1", "::1"}) {
    asio::io_context io;
    asio::ip::tcp::socket client(io);
    asio::ip::tcp::socket server(io);
    asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address(loopback), 0});
    client.connect(acceptor.local_endpoint());
    acceptor.accept(server);
    EXPECT_EQ(utils::get_peer_ip(server.native_handle()), loopback);
    EXPECT_EQ(utils::get_peer_ip(acceptor.native_handle()), "");
  }
}

}  // namespace
