// One SSH session with a running agent, set up the way a monitoring server
// sets it up: connect to 127.0.0.1, password login, session channel, shell,
// then the greeting. Built on the client's SshClient.
//
//   testing_support::SshExchange session(agent.port(), "monitor", "secret");
//   EXPECT_EQ(session.greeting(), "#keycount=3#responseaction=login#...");
//   std::string answer = session.request("#keycount=3#sessionid=1#requestaction=listchecks#");
//
// The constructor throws std::runtime_error when any step fails or no
// greeting comes. Used by one thread; several exchanges may run at once.
#ifndef QUOR2_TESTS_SUPPORT_SSH_EXCHANGE_H_
#define QUOR2_TESTS_SUPPORT_SSH_EXCHANGE_H_

#include <string>

#include "client/ssh_client.h"

namespace testing_support {

class SshExchange {
 public:
  SshExchange(int port, const std::string& user, const std::string& password);

  // The first bytes the agent sent, before any request.
  const std::string& greeting() const { return greeting_; }

  // Sends one record and returns the answer's bytes; empty when none came
  // within a minute.
  std::string request(const std::string& record) { return client_.request(record, 60000); }

  // Sends bytes without waiting for anything.
  void send(const std::string& bytes) { client_.send(bytes); }

  // Waits up to a minute for the agent to close the channel.
  bool wait_closed() { return client_.wait_closed(60000); }

 private:
  client::SshClient client_;
  std::string greeting_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_SSH_EXCHANGE_H_
