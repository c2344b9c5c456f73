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
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "client/ssh_client.h"
#include "support/process_probe.h"
#include "support/raw_connection.h"
#include "support/running_agent.h"
#include "support/ssh_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::RunningAgent;

constexpr int session_count = 20;
constexpr auto warm_up_time = std::chrono::seconds(5);
constexpr auto soak_time = std::chrono::seconds(60);
constexpr auto drop_pause = std::chrono::milliseconds(50);
// Resident memory may grow this much beyond the warmed-up idle state
// (allocator arenas keep some of their peak).
constexpr long memory_margin_kib = 4 * 1024;

const std::string greeting =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";

struct Exchange {
  std::string request;
  boost::regex answer;
};

std::vector<Exchange> request_mix() {
  const std::string run = "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"";
  const std::string ran = "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=";
  const Exchange list{
      "#keycount=3#sessionid=1#requestaction=listchecks#",
      boost::regex("#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
                   "checkdescription1=CPU Usage#available1=true#",
                   boost::regex::literal)};
  const Exchange define{
      "#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#",
      boost::regex("#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=\""
                   "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#",
                   boost::regex::literal)};
  const Exchange up{run + "#Load Limit [%]=1000#\"#",
                    boost::regex(ran + "up#resultstring=CPU load is \\d+#")};
  const Exchange down{run + "#Load Limit [%]=-1#\"#",
                      boost::regex(ran + "down#resultstring=CPU load \\d+ out of Limit -1#")};
  return {list, define, up, list, define, list, down, define, list};
}

// Counts right answers and keeps the first few faults for the report.
class Tally {
 public:
  void answer() { ++answers_; }
  void drop() { ++drops_; }
  void fault(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (faults_.size() < 10) faults_.push_back(what);
    ++fault_count_;
  }
  long answers() const { return answers_; }
  long drops() const { return drops_; }
  long fault_count() const { return fault_count_; }
  std::string faults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (const std::string& fault : faults_) text += fault + "\n";
    return text;
  }

 private:
  std::atomic<long> answers_{0};
  std::atomic<long> drops_{0};
  std::atomic<long> fault_count_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> faults_;
};

void keep_session_busy(int port, int index, Clock::time_point end, Tally& tally) {
  const std::vector<Exchange> mix = request_mix();
  try {
    testing_support::SshExchange session(port, "monitor", "secret");
    if (session.greeting() != greeting) tally.fault("greeting: " + session.greeting());
    for (std::size_t i = static_cast<std::size_t>(index); Clock::now() < end; ++i) {
      const Exchange& exchange = mix[i % mix.size()];
      const std::string answer = session.request(exchange.request);
      if (boost::regex_match(answer, exchange.answer)) {
        tally.answer();
      } else {
        tally.fault(exchange.request + " -> " + answer);
      }
    }
  } catch (const std::exception& error) {
    tally.fault(std::string("session: ") + error.what());
  }
}

// Connects and leaves again and again, never reaching the shell.
void keep_dropping(int port, int kind, Clock::time_point end, Tally& tally) {
  while (Clock::now() < end) {
    try {
      if (kind == 0) {
        testing_support::RawConnection connection(port);
        if (!connection.connected()) throw std::runtime_error("no TCP connection");
      } else {
        client::SshClient connection("127.0.0.1", port);  // key exchange done
        if (kind == 2 && !connection.login("monitor", "secret")) {
          throw std::runtime_error("login refused");
        }
      }
      tally.drop();
    } catch (const std::exception& error) {
      tally.fault(std::string("dropping client: ") + error.what());
    }
    std::this_thread::sleep_for(drop_pause);
  }
}

void run_load(const RunningAgent& agent, Clock::duration duration, Tally& tally) {
  const Clock::time_point end = Clock::now() + duration;
  std::vector<std::thread> clients;
  for (int i = 0; i < session_count; ++i) {
    clients.emplace_back(keep_session_busy, agent.port(), i, end, std::ref(tally));
  }
  for (int kind = 0; kind < 3; ++kind) {
    clients.emplace_back(keep_dropping, agent.port(), kind, end, std::ref(tally));
  }
  for (std::thread& client : clients) client.join();
}

struct Idle {
  int threads;
  int fds;
  int children;
  long resident_kib;
};

// Waits until the agent has only its main and listen threads and no child
// process left, then takes its state.
Idle settled(const RunningAgent& agent, int fds) {
  testing_support::wait_until(60, [&] {
    return testing_support::thread_count(agent.pid()) == 2 &&
           testing_support::child_process_count(agent.pid()) == 0 &&
           (fds < 0 || testing_support::open_fd_count(agent.pid()) == fds);
  });
  return {testing_support::thread_count(agent.pid()), testing_support::open_fd_count(agent.pid()),
          testing_support::child_process_count(agent.pid()),
          testing_support::resident_kib(agent.pid())};
}

TEST(QuorWorkerSoakTest, AMinuteOfMixedLoadLeavesNothingBehind) {
  testing_support::AgentConfig config;
  config.loglevel = "Warn";
  RunningAgent agent(config);

  Tally warm_up;
  run_load(agent, warm_up_time, warm_up);
  ASSERT_EQ(warm_up.fault_count(), 0) << warm_up.faults();
  const Idle before = settled(agent, -1);
  ASSERT_EQ(before.threads, 2);
  ASSERT_EQ(before.children, 0);

  Tally soak;
  run_load(agent, soak_time, soak);
  EXPECT_EQ(soak.fault_count(), 0) << soak.faults();
  EXPECT_GT(soak.answers(), 1000);
  EXPECT_GT(soak.drops(), 300);

  const Idle after = settled(agent, before.fds);
  EXPECT_EQ(after.threads, 2);
  EXPECT_EQ(after.children, 0);
  EXPECT_EQ(after.fds, before.fds);
  EXPECT_LE(after.resident_kib, before.resident_kib + memory_margin_kib)
      << "resident memory grew from " << before.resident_kib << " KiB to " << after.resident_kib
      << " KiB";
  std::cout << soak.answers() << " answers, " << soak.drops() << " dropped connections; resident "
            << before.resident_kib << " KiB after the warm-up, " << after.resident_kib
            << " KiB after the soak\n";

  const std::string log = agent.log();
  for (const char* fault : {"Session closed after", "ssh_bind_accept error",
                            "Can not start a session thread", "did not end within"}) {
    EXPECT_EQ(log.find(fault), std::string::npos) << fault;
  }
  testing_support::SshExchange newcomer(agent.port(), "monitor", "secret");
  EXPECT_EQ(newcomer.greeting(), greeting);
  EXPECT_EQ(agent.stop(), 0);
}

}  // namespace
