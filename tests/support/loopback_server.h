// A TCP or TLS server on 127.0.0.1 for the tests of the network checks. It
// listens on a free port and answers every connection the same way, on a
// thread of its own, until it is destroyed.
#ifndef QUOR2_TESTS_SUPPORT_LOOPBACK_SERVER_H_
#define QUOR2_TESTS_SUPPORT_LOOPBACK_SERVER_H_

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "support/test_certificate.h"

namespace testing_support {

struct ServerBehaviour {
  std::string reply;         // written once the request has been read
  bool read_request = true;  // false: reply as soon as connected (after a TLS handshake)
  bool answer = true;        // false: accept and never write a byte
  const TestCertificate* certificate = nullptr;  // TLS with it when set
  bool close_notify = true;  // TLS: end with the closing alert, else cut the connection
};

class LoopbackServer {
 public:
  explicit LoopbackServer(ServerBehaviour behaviour);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }

  // What the last client sent, up to and including the empty line.
  std::string last_request() const;
  // The server name (SNI) of the last TLS handshake; empty when none.
  std::string last_server_name() const;
  // Waits up to `seconds` until `count` clients have closed their end.
  bool wait_for_closed(int count, double seconds) const;

 private:
  template <class Stream>
  class Session;

  void accept();

  const ServerBehaviour behaviour_;
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::ssl::context context_;
  const int port_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string last_request_;
  std::string last_server_name_;
  int closed_ = 0;
  std::thread thread_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_LOOPBACK_SERVER_H_
