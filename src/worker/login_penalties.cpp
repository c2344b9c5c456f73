#include "worker/login_penalties.h"

#include <arpa/inet.h>

#include <cstring>

LoginPenalties::LoginPenalties(int max_failures, std::chrono::seconds penalty,
                               std::function<Clock::time_point()> now, std::size_t capacity)
    : max_failures_(max_failures > 0 ? static_cast<std::size_t>(max_failures) : 0),
      penalty_(penalty),
      now_(std::move(now)),
      capacity_(capacity) {}

std::string LoginPenalties::key(const std::string& address) {
  unsigned char bytes[16];
  if (inet_pton(AF_INET6, address.c_str(), bytes) != 1) return address;
  std::memset(bytes + 8, 0, 8);
  char text[INET6_ADDRSTRLEN];
  if (inet_ntop(AF_INET6, bytes, text, sizeof(text)) == nullptr) return address;
  return std::string(text) + "/64";
}

void LoginPenalties::end_penalties(Clock::time_point now) {
  while (!blocked_.empty()) {
    const auto entry = entries_.find(blocked_.front());
    if (now < entry->second.blocked_until) return;
    // Its failures were cleared when the penalty began: nothing to keep.
    entries_.erase(entry);
    blocked_.pop_front();
  }
}

bool LoginPenalties::blocked(const std::string& address) {
  if (max_failures_ == 0) return false;
  const Clock::time_point now = now_();
  const std::string client = key(address);
  std::lock_guard<std::mutex> lock(mutex_);
  end_penalties(now);
  const auto entry = entries_.find(client);
  return entry != entries_.end() && entry->second.blocked;
}

bool LoginPenalties::failed(const std::string& address) {
  if (max_failures_ == 0) return false;
  const Clock::time_point now = now_();
  const std::string client = key(address);
  std::lock_guard<std::mutex> lock(mutex_);
  end_penalties(now);
  auto entry = entries_.find(client);
  if (entry == entries_.end()) {
    if (entries_.size() >= capacity_) {
      if (by_age_.empty()) return false;  // every client in the table is blocked
      entries_.erase(by_age_.back());
      by_age_.pop_back();
    }
    by_age_.push_front(client);
    entry = entries_.emplace(client, Entry{{}, {}, false, by_age_.begin()}).first;
  } else if (entry->second.blocked) {
    return false;
  } else {
    by_age_.splice(by_age_.begin(), by_age_, entry->second.place);
  }
  std::deque<Clock::time_point>& failures = entry->second.failures;
  while (!failures.empty() && failures.front() <= now - window) failures.pop_front();
  failures.push_back(now);
  if (failures.size() < max_failures_) return false;
  failures.clear();
  entry->second.blocked = true;
  entry->second.blocked_until = now + penalty_;
  blocked_.splice(blocked_.end(), by_age_, entry->second.place);
  return true;
}

void LoginPenalties::succeeded(const std::string& address) {
  const std::string client = key(address);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto entry = entries_.find(client);
  if (entry == entries_.end() || entry->second.blocked) return;
  by_age_.erase(entry->second.place);
  entries_.erase(entry);
}
