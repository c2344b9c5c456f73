// A minute of 20 sessions asking for listings and CPU runs beside a client
// that drops before and after its login: every answer right, then the idle
// threads, descriptors and children again, memory within 4 MiB of idle.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "probe/process_probe.h"
#include "support/running_agent.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

const std::string list = "#keycount=3#sessionid=1#requestaction=listchecks#";
const std::string run =
    "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=1000#\"#";

struct Tally { std::atomic<long> answers{0}, drops{0}, faults{0}; };

void load(int port, int seconds, Tally& tally) {
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<std::thread> clients;
  for (int i = 0; i < 20; ++i) {
    clients.emplace_back([&, i] {
      try {
        SshExchange session(port, "monitor", "secret");
        for (int n = i; Clock::now() < end; ++n) {  // a CPU run in three requests
          const std::string answer = session.request(n % 3 ? list : run);
          const char* right = n % 3 ? "#checkid1=CPU#" : "#result=up#resultstring=CPU load is ";
          ++(answer.find(right) != std::string::npos ? tally.answers : tally.faults);
        }
      } catch (const std::exception&) {
        ++tally.faults;
      }
    });
  }
  for (; Clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    try {
      const RawConnection silent(port);
      const client::SshClient keys_only("127.0.0.1", port);
      const bool logged_in = client::SshClient("127.0.0.1", port).login("monitor", "secret");
      ++(silent.fd >= 0 && logged_in ? tally.drops : tally.faults);
    } catch (const std::exception&) {
      ++tally.faults;
    }
  }
  for (std::thread& client : clients) client.join();
}

// The resident memory once idle with `fds` descriptors (any if negative).
long settle(pid_t agent, int fds) {
  EXPECT_TRUE(wait_until(60, [&] {
    return probe::thread_count(agent) == 2 && probe::child_process_count(agent) == 0 &&
           (fds < 0 || probe::open_fd_count(agent) == fds);
  }));
  return probe::resident_kib(agent);
}

TEST(QuorWorkerSoakTest, AMinuteOfLoadLeavesNothingBehind) {
  AgentConfig config;
  config.loglevel = "Warn";
  RunningAgent agent(config);
  Tally warm_up, soak;
  load(agent.port(), 5, warm_up);
  const long idle_kib = settle(agent.pid(), -1);
  const int idle_fds = probe::open_fd_count(agent.pid());
  load(agent.port(), 60, soak);
  EXPECT_EQ(warm_up.faults + soak.faults, 0);
  EXPECT_GT(soak.answers, 1000);
  EXPECT_GT(soak.drops, 100);
  EXPECT_LE(settle(agent.pid(), idle_fds), idle_kib + 4 * 1024) << idle_kib << " KiB idle";
  for (const char* fault : {"Session closed after", "ssh_bind_accept error",  // not the drops'
                            "Can not start a session thread", "did not end within"}) {
    EXPECT_EQ(agent.log_count(fault), 0u) << fault;
  }
  EXPECT_EQ(agent.stop(), 0);
}

}  // namespace
