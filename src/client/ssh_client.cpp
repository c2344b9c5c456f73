#include "client/ssh_client.h"

#include <chrono>
#include <stdexcept>

#include "client/records.h"

namespace client {

namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

SshClient::SshClient(const std::string& host, int port) : session_(ssh_new()) {
  if (!session_) throw std::runtime_error("Cannot create an SSH session");
  const int no_logging = SSH_LOG_NOLOG;
  const int process_config = 0;  // the user's ~/.ssh/config is not ours to follow
  ssh_options_set(session_.get(), SSH_OPTIONS_HOST, host.c_str());
  ssh_options_set(session_.get(), SSH_OPTIONS_PORT, &port);
  ssh_options_set(session_.get(), SSH_OPTIONS_LOG_VERBOSITY, &no_logging);
  ssh_options_set(session_.get(), SSH_OPTIONS_PROCESS_CONFIG, &process_config);
  if (ssh_connect(session_.get()) != SSH_OK) {
    throw std::runtime_error(std::string("Cannot connect: ") + ssh_get_error(session_.get()));
  }
}

bool SshClient::login(const std::string& user, const std::string& password) {
  ssh_options_set(session_.get(), SSH_OPTIONS_USER, user.c_str());
  const int result = ssh_userauth_password(session_.get(), nullptr, password.c_str());
  if (result == SSH_AUTH_SUCCESS) return true;
  if (result == SSH_AUTH_ERROR) {
    throw std::runtime_error(std::string("Login failed: ") + ssh_get_error(session_.get()));
  }
  return false;
}

void SshClient::open_shell(bool with_pty) {
  channel_.reset(ssh_channel_new(session_.get()));
  if (!channel_ || ssh_channel_open_session(channel_.get()) != SSH_OK) {
    throw std::runtime_error(std::string("The agent refused a session channel: ") +
                             ssh_get_error(session_.get()));
  }
  if (with_pty && ssh_channel_request_pty(channel_.get()) != SSH_OK) {
    throw std::runtime_error("The agent refused a pty");
  }
  if (ssh_channel_request_shell(channel_.get()) != SSH_OK) {
    throw std::runtime_error("The agent refused a shell");
  }
}

void SshClient::send(const std::string& bytes) {
  if (!channel_) throw std::logic_error("No shell channel");
  const int written =
      ssh_channel_write(channel_.get(), bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (written != static_cast<int>(bytes.size())) {
    throw std::runtime_error(std::string("Cannot send: ") + ssh_get_error(session_.get()));
  }
}

std::string SshClient::receive(int timeout_ms) {
  if (!channel_) throw std::logic_error("No shell channel");
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string answer;
  char buffer[16384];
  while (!is_complete_answer(answer)) {
    const int read =
        ssh_channel_read_timeout(channel_.get(), buffer, sizeof(buffer), 0, remaining_ms(deadline));
    if (read <= 0) break;  // time is up, end of data, or the connection is gone
    answer.append(buffer, static_cast<std::size_t>(read));
  }
  return answer;
}

std::string SshClient::request(const std::string& record, int timeout_ms) {
  send(record);
  return receive(timeout_ms);
}

bool SshClient::wait_closed(int timeout_ms, std::string* received) {
  if (!channel_) return ssh_is_connected(session_.get()) == 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[16384];
  for (;;) {
    const int read =
        ssh_channel_read_timeout(channel_.get(), buffer, sizeof(buffer), 0, remaining_ms(deadline));
    if (read > 0) {
      if (received != nullptr) received->append(buffer, static_cast<std::size_t>(read));
      continue;
    }
    if (read < 0 || ssh_channel_is_eof(channel_.get()) || ssh_channel_is_closed(channel_.get())) {
      return true;
    }
    if (remaining_ms(deadline) == 0) return false;
  }
}

}  // namespace client
