#include "load_run.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bench_records.h"
#include "timed_session.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int answer_timeout_ms = 10000;
constexpr auto tick_interval = std::chrono::milliseconds(50);

}  // namespace

void LoadRun::run(double seconds, const std::function<void()>& tick) {
  std::atomic<int> settled{0};  // set up or failed
  std::atomic<bool> go{false};
  std::atomic<bool> stop{false};
  std::atomic<long> requests{0};
  std::atomic<long> errors{0};
  std::mutex error_mutex;
  const auto fail = [&](const std::string& what) {
    ++errors;
    std::lock_guard<std::mutex> lock(error_mutex);
    if (first_error_.empty()) first_error_ = what;
  };

  std::vector<std::thread> clients;
  for (int i = 0; i < sessions_; ++i) {
    clients.emplace_back([&] {
      try {
        TimedSession session(target_.port, target_.user, target_.password, target_.greeting);
        ++settled;
        while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        while (!stop) {
          if (!session.request(list_request, target_.listing, answer_timeout_ms)) {
            fail("wrong or missing answer");
            return;
          }
          if (!stop) ++requests;
        }
      } catch (const std::exception& error) {
        ++settled;
        fail(error.what());
      }
    });
  }
  while (settled < sessions_) {
    tick();
    std::this_thread::sleep_for(tick_interval);
  }
  const Clock::time_point started = Clock::now();
  go = true;
  const Clock::time_point end =
      started + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  while (Clock::now() < end) {
    tick();
    std::this_thread::sleep_for(tick_interval);
  }
  stop = true;
  seconds_ = std::chrono::duration<double>(Clock::now() - started).count();
  tick();
  for (std::thread& client : clients) client.join();
  requests_ = requests;
  errors_ = errors;
}

}  // namespace bench
