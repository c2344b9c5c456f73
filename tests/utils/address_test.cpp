#include "utils/address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/host_key.h"
#include "support/temp_dir.h"
#include "utils/ssh_handles.h"

namespace {

struct RangeCase {
  const char* address;
  const char* first;
  const char* last;
  bool in_range;
};

TEST(AddressTest, RangeMatching) {
  const RangeCase cases[] = {
      {"10.1.2.3", "10.0.0.0", "10.255.255.255", true},
      {"11.0.0.1", "10.0.0.0", "10.255.255.255", false},
      {"9.255.255.255", "10.0.0.0", "10.255.255.255", false},
      {"192.168.1.200", "192.168.1.10", "192.168.2.5", true},
      {"192.168.2.1", "192.168.1.10", "192.168.2.5", true},
      {"192.168.2.6", "192.168.1.10", "192.168.2.5", false},
      {"192.168.1.9", "192.168.1.10", "192.168.2.5", false},
      {"10.0.0.5", "10.0.0.5", "10.0.0.5", true},
      {"10.0.0.6", "10.0.0.5", "10.0.0.5", false},
      {"10.0.0.1", "10.0.0.1", "10.0.0.9", true},
      {"10.0.0.9", "10.0.0.1", "10.0.0.9", true},
      {"10.0.0.5", "10.0.0.9", "10.0.0.1", false},
      {"fe80::10", "fe80::1", "fe80::ff", true},
      {"fe80::100", "fe80::1", "fe80::ff", false},
      {"fe80::1", "fe80::1", "fe80::ff", true},
      {"2001:db8::1:0", "2001:db8::ff", "2001:db8::1:ff", true},
      {"2001:db8::fe", "2001:db8::ff", "2001:db8::1:ff", false},
      // Texts that do not convert are never in range.
      {"10.0.0.5", "", "10.0.0.9", false},
      {"10.0.0.5", "10.0.0.1", "", false},
      {"", "10.0.0.1", "10.0.0.9", false},
      {"10.0.0.256", "10.0.0.1", "10.0.0.9", false},
      {"localhost", "127.0.0.0", "127.255.255.255", false},
      {" 10.0.0.5", "10.0.0.1", "10.0.0.9", false},
      {"fe80::zz", "fe80::1", "fe80::ff", false},
      // A client of the other family than the range.
      {"::ffff:10.0.0.5", "10.0.0.1", "10.0.0.9", false},
      {"10.0.0.5", "fe80::1", "fe80::ff", false},
      {"10.0.0.5", "::", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", false},
  };
  for (const RangeCase& c : cases) {
    EXPECT_EQ(utils::is_address_in_range(c.address, c.first, c.last), c.in_range)
        << c.address << " in " << c.first << " - " << c.last;
  }
}

// A connected TCP pair over the loopback of `family`; false when that
// loopback is not available here.
bool connect_pair(int family, int& client, int& server) {
  sockaddr_storage address{};
  socklen_t length = 0;
  if (family == AF_INET) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof(sockaddr_in);
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_addr = in6addr_loopback;
    length = sizeof(sockaddr_in6);
  }
  const int listener = socket(family, SOCK_STREAM, 0);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    return false;
  }
  client = socket(family, SOCK_STREAM, 0);
  const bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), length) == 0;
  server = connected ? accept(listener, nullptr, nullptr) : -1;
  close(listener);
  return connected && server >= 0;
}

class ClientIpTest : public ::testing::Test {
 protected:
  ClientIpTest() {
    testing_support::make_rsa_host_key(dir_.path());
    ssh_bind_options_set(bind_.get(), SSH_BIND_OPTIONS_HOSTKEY,
                         (dir_.path() + "/ssh_host_rsa_key").c_str());
  }

  // The peer of a server session that took over the accepted socket.
  std::string peer_of(int server) {
    const utils::SshSession session(ssh_new());
    if (ssh_bind_accept_fd(bind_.get(), session.get(), server) != SSH_OK) return "not accepted";
    ssh_session handle = session.get();
    return utils::get_client_ip(handle);
  }

  testing_support::TempDir dir_;
  utils::SshBind bind_{ssh_bind_new()};
};

TEST_F(ClientIpTest, Ipv4Peer) {
  int client = -1, server = -1;
  ASSERT_TRUE(connect_pair(AF_INET, client, server));
  EXPECT_EQ(peer_of(server), "127.0.0.1");
  close(client);
}

TEST_F(ClientIpTest, Ipv6Peer) {
  int client = -1, server = -1;
  if (!connect_pair(AF_INET6, client, server)) GTEST_SKIP() << "no IPv6 loopback";
  EXPECT_EQ(peer_of(server), "::1");
  close(client);
}

TEST_F(ClientIpTest, NoPeerIsEmpty) {
  const utils::SshSession session(ssh_new());
  ssh_session handle = session.get();
  EXPECT_EQ(utils::get_client_ip(handle), "");
}

}  // namespace
