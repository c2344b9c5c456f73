// Login penalties per client address: after `max_failures` failed logins
// from one address within 10 minutes, that address is refused for the
// penalty time; a successful login clears its count. The table keeps at
// most `capacity` addresses, the one least recently counted going first,
// so a flood of addresses cannot grow it. A max_failures of 0 turns the
// penalties off. Any thread may call it; one mutex guards the table.
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

  // Whether connections from `address` are refused now.
  bool blocked(const std::string& address);

  // Counts a failed login; whether it begins a penalty.
  bool failed(const std::string& address);

  // A login succeeded: the address starts again from no failure.
  void succeeded(const std::string& address);

 private:
  struct Entry {
    std::deque<Clock::time_point> failures;  // within the window, oldest first
    Clock::time_point blocked_until;
    std::list<std::string>::iterator age;  // place in by_age_
  };

  const std::size_t max_failures_;
  const std::chrono::seconds penalty_;
  const std::function<Clock::time_point()> now_;
  const std::size_t capacity_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> by_age_;  // most recently counted first
};

#endif  // QUOR2_WORKER_LOGIN_PENALTIES_H_
