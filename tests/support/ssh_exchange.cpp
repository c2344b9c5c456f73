#include "support/ssh_exchange.h"

#include <stdexcept>

namespace testing_support {

SshExchange::SshExchange(int port, const std::string& user, const std::string& password)
    : client_("127.0.0.1", port) {
  if (!client_.login(user, password)) throw std::runtime_error("login refused for " + user);
  client_.open_shell();
  greeting_ = client_.receive(30000);
  if (greeting_.empty()) throw std::runtime_error("no greeting");
}

}  // namespace testing_support
