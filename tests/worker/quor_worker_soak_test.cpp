// A minute of load on the real agent: 20 sessions ask for listings and CPU
// runs while another client connects and drops before and after its login.
// Every answer must be right, and afterwards the agent must be back to its
// idle threads, descriptors and children, its resident memory within a
// margin of the idle state after a warm-up.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "probe/process_probe.h"
#include "support/running_agent.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::RunningAgent;

// Allocator arenas keep some of their peak.
constexpr long memory_margin_kib = 4 * 1024;
const std::string list = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string run =
    "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=1000#\"#";

struct Tally {
  std::atomic<long> answers{0}, drops{0}, faults{0};
};

void load(const RunningAgent& agent, Clock::duration duration, Tally& tally) {
  const Clock::time_point end = Clock::now() + duration;
  std::vector<std::thread> clients;
  for (int i = 0; i < 20; ++i) {
    clients.emplace_back([&, i] {
      try {
        testing_support::SshExchange session(agent.port(), "monitor", "secret");
        for (int n = i; Clock::now() < end; ++n) {
          const std::string answer = session.request(n % 3 == 0 ? run : list);
          const bool right = n % 3 == 0 ? answer.find("#result=up#resultstring=CPU load is ") !=
                                              std::string::npos
                                        : answer.find("#checkid1=CPU#") != std::string::npos;
          ++(right ? tally.answers : tally.faults);
        }
      } catch (const std::exception&) {
        ++tally.faults;
      }
    });
  }
  clients.emplace_back([&] {
    for (; Clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
      try {
        const testing_support::RawConnection silent(agent.port());
        const client::SshClient keys_only("127.0.0.1", agent.port());
        const bool dropped = silent.connected() &&
                             client::SshClient("127.0.0.1", agent.port()).login("monitor", "secret");
        ++(dropped ? tally.drops : tally.faults);
      } catch (const std::exception&) {
        ++tally.faults;
      }
    }
  });
  for (std::thread& client : clients) client.join();
}

// Waits for the idle state: main and listen threads, no child and `fds`
// descriptors (any number when negative). Resident memory then.
long settle(const RunningAgent& agent, int fds) {
  EXPECT_TRUE(testing_support::wait_until(60, [&] {
    return probe::thread_count(agent.pid()) == 2 && probe::child_process_count(agent.pid()) == 0 &&
           (fds < 0 || probe::open_fd_count(agent.pid()) == fds);
  })) << probe::thread_count(agent.pid()) << " threads, " << probe::open_fd_count(agent.pid())
      << " fds, " << probe::child_process_count(agent.pid()) << " children";
  return probe::resident_kib(agent.pid());
}

TEST(QuorWorkerSoakTest, AMinuteOfLoadLeavesNothingBehind) {
  testing_support::AgentConfig config;
  config.loglevel = "Warn";
  RunningAgent agent(config);
  Tally warm_up, soak;
  load(agent, std::chrono::seconds(5), warm_up);
  ASSERT_EQ(warm_up.faults, 0);
  const long idle_kib = settle(agent, -1);
  const int idle_fds = probe::open_fd_count(agent.pid());
  load(agent, std::chrono::seconds(60), soak);
  EXPECT_EQ(soak.faults, 0);
  EXPECT_GT(soak.answers, 1000);
  EXPECT_GT(soak.drops, 100);
  const long after_kib = settle(agent, idle_fds);
  EXPECT_LE(after_kib, idle_kib + memory_margin_kib) << idle_kib << " KiB idle";
  std::cout << soak.answers << " answers, " << soak.drops << " drops; " << idle_kib << " KiB idle, "
            << after_kib << " KiB after\n";
  for (const char* fault : {"Session closed after", "ssh_bind_accept error",
                            "Can not start a session thread", "did not end within"}) {
    EXPECT_EQ(agent.log_count(fault), 0u) << fault;
  }
  EXPECT_EQ(agent.stop(), 0);
}

}  // namespace
