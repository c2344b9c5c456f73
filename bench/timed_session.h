// One SSH session of the benchmark client on the libssh client API, set up
// as a monitoring server does it (connect and key exchange, password login,
// session channel, shell, greeting), with the time of every step. Owned and
// used by one thread; several sessions may run at once.
#ifndef QUOR2_BENCH_TIMED_SESSION_H_
#define QUOR2_BENCH_TIMED_SESSION_H_

#include <string>

#include "utils/ssh_handles.h"

namespace bench {

// Milliseconds each step of a set-up took.
struct SetupTimes {
  double connect = 0;  // TCP connect, banners and key exchange
  double login = 0;
  double channel = 0;
  double shell = 0;
  double greeting = 0;  // until the whole greeting is in
  double total() const { return connect + login + channel + shell + greeting; }
};

class TimedSession {
 public:
  // Sets the session up with 127.0.0.1:port; throws std::runtime_error
  // naming the step that failed, or when the greeting is not `greeting`.
  // `no_delay` turns Nagle's algorithm off on the client's socket, as
  // libssh does not by default; `host_keys`, unless empty, are the host
  // key algorithms the client accepts ("ssh-ed25519").
  TimedSession(int port, const std::string& user, const std::string& password,
               const std::string& greeting, bool no_delay = false,
               const std::string& host_keys = "");

  const SetupTimes& setup_times() const { return times_; }

  // Sends `record` and reads `expected.size()` bytes (waiting up to
  // `timeout_ms`); whether they are `expected`.
  bool request(const std::string& record, const std::string& expected, int timeout_ms);

  // Sends `record` and returns the answer, whatever its length: the bytes
  // received until they end with "#", or what came within `timeout_ms`
  // (empty when the write failed).
  std::string exchange(const std::string& record, int timeout_ms);

  // The negotiated key exchange, cipher and MAC, for the report.
  std::string algorithms() const;

 private:
  // Reads exactly `size` bytes unless the time is up or the channel ends.
  std::string read_bytes(std::size_t size, int timeout_ms);

  utils::SshSession session_;
  utils::SshChannel channel_;
  SetupTimes times_;
};

}  // namespace bench

#endif  // QUOR2_BENCH_TIMED_SESSION_H_
