#include "timed_session.h"

#include <chrono>
#include <stdexcept>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int greeting_timeout_ms = 30000;

// Milliseconds since `start`, which moves on to now.
double lap(Clock::time_point& start) {
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double, std::milli>(now - start).count();
  start = now;
  return elapsed;
}

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

TimedSession::TimedSession(int port, const std::string& user, const std::string& password,
                           const std::string& greeting, bool no_delay, const std::string& host_keys)
    : session_(ssh_new()) {
  if (!session_) throw std::runtime_error("ssh_new failed");
  const int no_logging = SSH_LOG_NOLOG;
  const int process_config = 0;
  ssh_options_set(session_.get(), SSH_OPTIONS_HOST, "127.0.0.1");
  ssh_options_set(session_.get(), SSH_OPTIONS_PORT, &port);
  ssh_options_set(session_.get(), SSH_OPTIONS_USER, user.c_str());
  ssh_options_set(session_.get(), SSH_OPTIONS_LOG_VERBOSITY, &no_logging);
  ssh_options_set(session_.get(), SSH_OPTIONS_PROCESS_CONFIG, &process_config);
  const int nodelay = no_delay ? 1 : 0;
  ssh_options_set(session_.get(), SSH_OPTIONS_NODELAY, &nodelay);
  if (!host_keys.empty()) ssh_options_set(session_.get(), SSH_OPTIONS_HOSTKEYS, host_keys.c_str());

  Clock::time_point start = Clock::now();
  if (ssh_connect(session_.get()) != SSH_OK) {
    throw std::runtime_error(std::string("connect: ") + ssh_get_error(session_.get()));
  }
  times_.connect = lap(start);
  if (ssh_userauth_password(session_.get(), nullptr, password.c_str()) != SSH_AUTH_SUCCESS) {
    throw std::runtime_error(std::string("login: ") + ssh_get_error(session_.get()));
  }
  times_.login = lap(start);
  channel_.reset(ssh_channel_new(session_.get()));
  if (!channel_ || ssh_channel_open_session(channel_.get()) != SSH_OK) {
    throw std::runtime_error(std::string("channel: ") + ssh_get_error(session_.get()));
  }
  times_.channel = lap(start);
  if (ssh_channel_request_shell(channel_.get()) != SSH_OK) {
    throw std::runtime_error(std::string("shell: ") + ssh_get_error(session_.get()));
  }
  times_.shell = lap(start);
  const std::string received = read_bytes(greeting.size(), greeting_timeout_ms);
  times_.greeting = lap(start);
  if (received != greeting) throw std::runtime_error("greeting: got '" + received + "'");
}

bool TimedSession::request(const std::string& record, const std::string& expected, int timeout_ms) {
  const int written =
      ssh_channel_write(channel_.get(), record.data(), static_cast<uint32_t>(record.size()));
  if (written != static_cast<int>(record.size())) return false;
  return read_bytes(expected.size(), timeout_ms) == expected;
}

std::string TimedSession::exchange(const std::string& record, int timeout_ms) {
  const int written =
      ssh_channel_write(channel_.get(), record.data(), static_cast<uint32_t>(record.size()));
  if (written != static_cast<int>(record.size())) return "";
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string answer;
  char buffer[4096];
  while (answer.empty() || answer.back() != '#') {
    const int got =
        ssh_channel_read_timeout(channel_.get(), buffer, sizeof(buffer), 0, remaining_ms(deadline));
    if (got <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(got));
  }
  return answer;
}

std::string TimedSession::algorithms() const {
  const auto text = [](const char* value) { return std::string(value ? value : "?"); };
  return text(ssh_get_kex_algo(session_.get())) + ", " + text(ssh_get_cipher_out(session_.get())) +
         ", " + text(ssh_get_hmac_out(session_.get()));
}

std::string TimedSession::read_bytes(std::size_t size, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string data;
  char buffer[4096];
  while (data.size() < size) {
    const std::size_t wanted = std::min(sizeof(buffer), size - data.size());
    const int got = ssh_channel_read_timeout(channel_.get(), buffer, static_cast<uint32_t>(wanted),
                                             0, remaining_ms(deadline));
    if (got <= 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
  }
  return data;
}

}  // namespace bench
