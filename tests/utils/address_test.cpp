#include "utils/address.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>

#include "support/host_key.h"
#include "support/temp_dir.h"
#include "utils/ssh_handles.h"

namespace {

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
