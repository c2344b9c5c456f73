// Login penalties per client: after `max_failures` failed logins from one
// client within 10 minutes, that client is refused for the penalty time; a
// successful login clears its count. A client is an IPv4 address, or the
// /64 of an IPv6 address (key()). The table keeps at most `capacity`
// clients: a new one pushes out the least recently counted client that is
// not blocked, and is not recorded when every client in it is blocked, so a
// flood of addresses can neither grow the table nor lift a block. A
// max_failures of 0 turns the penalties off. Any thread may call it; one
// mutex guards the table.
#ifndef QUOR2_WORKER_LOGIN_PENALTIES_H_
#define QUOR2_WORKER_LOGIN_PENALTIES_H_

#include <chrono>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

class LoginPenalties {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::minutes window{10};

  LoginPenalties(int max_failures, std::chrono::seconds penalty,
                 std::function<Clock::time_point()> now = Clock::now,
                 std::size_t capacity = 4096);
  LoginPenalties(const LoginPenalties&) = delete;
  LoginPenalties& operator=(const LoginPenalties&) = delete;

  // The client `address` counts for: an IPv4 address itself, the /64 of an
  // IPv6 address ("2001:db8:1:2::/64"), as one host usually holds a whole
  // /64 and its privacy addresses rotate inside it.
  static std::string key(const std::string& address);

  // Whether logins from `address` are refused now.
  bool blocked(const std::string& address);

  // Counts a failed login; whether it begins a penalty.
  bool failed(const std::string& address);

  // A login succeeded: the client starts again from no failure, unless it
  // is blocked.
  void succeeded(const std::string& address);

 private:
  struct Entry {
    std::deque<Clock::time_point> failures;  // within the window, oldest first
    Clock::time_point blocked_until;
    bool blocked;
    std::list<std::string>::iterator place;  // in by_age_, or in blocked_ while blocked
  };

  // Forgets the clients whose penalty has ended.
  void end_penalties(Clock::time_point now);

  const std::size_t max_failures_;
  const std::chrono::seconds penalty_;
  const std::function<Clock::time_point()> now_;
  const std::size_t capacity_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> by_age_;   // not blocked, most recently counted first
  std::list<std::string> blocked_;  // blocked, the first to end first
};

#endif  // QUOR2_WORKER_LOGIN_PENALTIES_H_
