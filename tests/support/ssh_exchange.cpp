#include "support/ssh_exchange.h"

#include <stdexcept>

namespace testing_support {

SshExchange::SshExchange(int port, const std::string& user, const std::string& password,
                         bool with_pty)
    : client_("127.0.0.1", port) {
  if (!client_.login(user, password)) throw std::runtime_error("login refused for " + user);
  client_.open_shell(with_pty);
  greeting_ = client_.receive(milliseconds(30));
  if (greeting_.empty()) throw std::runtime_error("no greeting");
}

std::string SshExchange::request(const std::string& record, double seconds) {
  return client_.request(record, milliseconds(seconds));
}

}  // namespace testing_support
