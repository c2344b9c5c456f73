// A plain TCP connection to a loopback port that sends nothing of its own:
// a client that connects and never logs in. Closed with the object. Used
// by one thread.
#ifndef QUOR2_TESTS_SUPPORT_RAW_CONNECTION_H_
#define QUOR2_TESTS_SUPPORT_RAW_CONNECTION_H_

namespace testing_support {

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }

  // Reads and drops whatever comes until the peer closes the connection;
  // false after 30 s without a sign of it.
  bool wait_closed();

 private:
  const int fd_;
  bool connected_ = false;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_RAW_CONNECTION_H_
