#include "worker/login_penalties.h"

LoginPenalties::LoginPenalties(int max_failures, std::chrono::seconds penalty,
                               std::function<Clock::time_point()> now, std::size_t capacity)
    : max_failures_(max_failures > 0 ? static_cast<std::size_t>(max_failures) : 0),
      penalty_(penalty),
      now_(std::move(now)),
      capacity_(capacity) {}

bool LoginPenalties::blocked(const std::string& address) {
  if (max_failures_ == 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto entry = entries_.find(address);
  return entry != entries_.end() && now_() < entry->second.blocked_until;
}

bool LoginPenalties::failed(const std::string& address) {
  if (max_failures_ == 0) return false;
  const Clock::time_point now = now_();
  std::lock_guard<std::mutex> lock(mutex_);
  auto entry = entries_.find(address);
  if (entry == entries_.end()) {
    if (entries_.size() >= capacity_) {
      entries_.erase(by_age_.back());
      by_age_.pop_back();
    }
    by_age_.push_front(address);
    entry = entries_.emplace(address, Entry{{}, {}, by_age_.begin()}).first;
  } else {
    by_age_.splice(by_age_.begin(), by_age_, entry->second.age);
  }
  std::deque<Clock::time_point>& failures = entry->second.failures;
  while (!failures.empty() && failures.front() <= now - window) failures.pop_front();
  failures.push_back(now);
  if (failures.size() < max_failures_) return false;
  failures.clear();
  entry->second.blocked_until = now + penalty_;
  return true;
}

void LoginPenalties::succeeded(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto entry = entries_.find(address);
  if (entry == entries_.end()) return;
  by_age_.erase(entry->second.age);
  entries_.erase(entry);
}
