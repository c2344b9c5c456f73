// A minute of mixed load on the real agent: 20 logged-in sessions ask for
// the listing, the CPU definition and CPU runs, while other clients connect
// and drop before logging in or before opening their shell. Every answer
// must be right, and afterwards the agent must be back to its idle threads,
// descriptors and child processes, and its resident memory within a small
// margin of what it was after a short warm-up.
#include <gtest/gtest.h>

#include <atomic>
#include <boost/regex.hpp>
#include <chrono>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "client/ssh_client.h"
#include "probe/process_probe.h"
#include "support/raw_connection.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::RunningAgent;

constexpr int session_count = 20;
// Resident memory may grow this much beyond the warmed-up idle state
// (allocator arenas keep some of their peak).
constexpr long memory_margin_kib = 4 * 1024;

const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";

// What sessions ask, and (as regular expressions) what they must be told.
const std::pair<std::string, std::string> exchanges[] = {
    {"#keycount=3#sessionid=1#requestaction=listchecks#",
     "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
     "checkdescription1=CPU Usage#available1=true#"},
    {"#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#",
     "#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=\""
     "#paramname1=Load Limit \\[%\\]#paramtype1=longinteger#maxlength1=200#\"#"},
    {"#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=1000#\"#",
     "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up"
     "#resultstring=CPU load is \\d+#"},
    {"#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=-1#\"#",
     "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=down"
     "#resultstring=CPU load \\d+ out of Limit -1#"},
};
// The order of the exchanges: listings and definitions most often.
const std::size_t mix[] = {0, 1, 2, 0, 1, 0, 3, 1, 0};

// Right answers and dropped connections counted, the first faults kept.
struct Tally {
  void fault(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex);
    if (++fault_count <= 10) faults += what + "\n";
  }
  std::atomic<long> answers{0}, drops{0};
  std::mutex mutex;
  long fault_count = 0;
  std::string faults;
};

void keep_session_busy(int port, std::size_t first, Clock::time_point end, Tally& tally) {
  std::vector<boost::regex> answers;
  for (const auto& exchange : exchanges) answers.emplace_back(exchange.second);
  try {
    testing_support::SshExchange session(port, "monitor", "secret");
    if (session.greeting() != greeting) tally.fault("greeting: " + session.greeting());
    for (std::size_t i = first; Clock::now() < end; ++i) {
      const std::size_t exchange = mix[i % std::size(mix)];
      const std::string answer = session.request(exchanges[exchange].first);
      if (boost::regex_match(answer, answers[exchange])) {
        ++tally.answers;
      } else {
        tally.fault(exchanges[exchange].first + " -> " + answer);
      }
    }
  } catch (const std::exception& error) {
    tally.fault(std::string("session: ") + error.what());
  }
}

// Connects and leaves again and again: before the key exchange, after it
// and after the login.
void keep_dropping(int port, Clock::time_point end, Tally& tally) {
  while (Clock::now() < end) {
    try {
      if (!testing_support::RawConnection(port).connected()) throw std::runtime_error("no TCP");
      client::SshClient("127.0.0.1", port);
      if (!client::SshClient("127.0.0.1", port).login("monitor", "secret")) {
        throw std::runtime_error("login refused");
      }
      tally.drops += 3;
    } catch (const std::exception& error) {
      tally.fault(std::string("dropping client: ") + error.what());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void run_load(const RunningAgent& agent, Clock::duration duration, Tally& tally) {
  const Clock::time_point end = Clock::now() + duration;
  std::vector<std::thread> clients;
  for (int i = 0; i < session_count; ++i) {
    clients.emplace_back(keep_session_busy, agent.port(), i, end, std::ref(tally));
  }
  clients.emplace_back(keep_dropping, agent.port(), end, std::ref(tally));
  for (std::thread& client : clients) client.join();
}

// Waits until the agent has only its main and listen threads, no child
// process and (when given) `fds` descriptors; its resident memory then.
long settle(const RunningAgent& agent, int fds) {
  testing_support::wait_until(60, [&] {
    return probe::thread_count(agent.pid()) == 2 &&
           probe::child_process_count(agent.pid()) == 0 &&
           (fds < 0 || probe::open_fd_count(agent.pid()) == fds);
  });
  return probe::resident_kib(agent.pid());
}

TEST(QuorWorkerSoakTest, AMinuteOfMixedLoadLeavesNothingBehind) {
  testing_support::AgentConfig config;
  config.loglevel = "Warn";
  RunningAgent agent(config);

  Tally warm_up;
  run_load(agent, std::chrono::seconds(5), warm_up);
  ASSERT_EQ(warm_up.fault_count, 0) << warm_up.faults;
  const long memory_before = settle(agent, -1);
  const int fds_before = probe::open_fd_count(agent.pid());
  ASSERT_EQ(probe::thread_count(agent.pid()), 2);
  ASSERT_EQ(probe::child_process_count(agent.pid()), 0);

  Tally soak;
  run_load(agent, std::chrono::seconds(60), soak);
  EXPECT_EQ(soak.fault_count, 0) << soak.faults;
  EXPECT_GT(soak.answers, 1000);
  EXPECT_GT(soak.drops, 300);

  const long memory_after = settle(agent, fds_before);
  EXPECT_EQ(probe::thread_count(agent.pid()), 2);
  EXPECT_EQ(probe::child_process_count(agent.pid()), 0);
  EXPECT_EQ(probe::open_fd_count(agent.pid()), fds_before);
  EXPECT_LE(memory_after, memory_before + memory_margin_kib)
      << "resident memory grew from " << memory_before << " KiB to " << memory_after << " KiB";
  std::cout << soak.answers << " answers, " << soak.drops << " dropped connections; resident "
            << memory_before << " KiB after the warm-up, " << memory_after
            << " KiB after the soak\n";

  for (const char* fault : {"Session closed after", "ssh_bind_accept error",
                            "Can not start a session thread", "did not end within"}) {
    EXPECT_EQ(agent.log_count(fault), 0u) << fault;
  }
  EXPECT_EQ(testing_support::SshExchange(agent.port(), "monitor", "secret").greeting(), greeting);
  EXPECT_EQ(agent.stop(), 0);
}

}  // namespace
