// The states of an accepted connection's socket as the main thread ends it,
// on a local socket pair.
#include "worker/session_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A connected pair: SessionSocket holds the first end, the client the other.
struct SocketPair {
  SocketPair() { socketpair(AF_UNIX, SOCK_STREAM, 0, fds); }
  ~SocketPair() {
    close(fds[0]);
    close(fds[1]);
  }
  // Whether the client end sees the connection closed (without waiting).
  bool client_sees_end() const {
    pollfd readable{fds[1], POLLIN, 0};
    char byte;
    return poll(&readable, 1, 0) == 1 && recv(fds[1], &byte, 1, MSG_DONTWAIT) == 0;
  }
  int fds[2] = {-1, -1};
};

TEST(SessionSocketTest, GraceTimeEndsOnlyConnectionsNotLoggedIn) {
  SocketPair pair;
  SessionSocket socket(pair.fds[0]);
  EXPECT_FALSE(socket.ended_from_outside());
  EXPECT_TRUE(socket.shutdown_before_login());
  EXPECT_TRUE(pair.client_sees_end());
  EXPECT_TRUE(socket.ended_from_outside());
  EXPECT_FALSE(socket.shutdown_before_login());  // once
  EXPECT_FALSE(socket.mark_logged_in());         // too late
}

TEST(SessionSocketTest, LoggedInConnectionsEndOnlyByStop) {
  SocketPair pair;
  SessionSocket socket(pair.fds[0]);
  EXPECT_TRUE(socket.mark_logged_in());
  EXPECT_FALSE(socket.shutdown_before_login());
  EXPECT_FALSE(pair.client_sees_end());
  EXPECT_FALSE(socket.ended_from_outside());
  socket.shutdown();
  EXPECT_TRUE(pair.client_sees_end());
  EXPECT_TRUE(socket.ended_from_outside());
}

TEST(SessionSocketTest, ReleasedSocketIsNeverTouched) {
  SocketPair pair;
  SessionSocket socket(pair.fds[0]);
  socket.release();
  socket.shutdown();
  EXPECT_FALSE(socket.shutdown_before_login());
  EXPECT_FALSE(pair.client_sees_end());
  EXPECT_FALSE(socket.ended_from_outside());
}

}  // namespace
