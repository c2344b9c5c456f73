// One SSH server the benchmark measures (the agent or OpenSSH's sshd): its
// command line, its loopback port and, while it runs, its process. Its
// output goes to a log file. Used by the benchmark's main thread; pid()
// may be read by any thread at any time.
#ifndef QUOR2_BENCH_SERVER_UNDER_TEST_H_
#define QUOR2_BENCH_SERVER_UNDER_TEST_H_

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace bench {

class ServerUnderTest {
 public:
  ServerUnderTest(std::string name, int port, std::vector<std::string> argv, std::string log_path);
  // Stops the server if it runs.
  ~ServerUnderTest();
  ServerUnderTest(const ServerUnderTest&) = delete;
  ServerUnderTest& operator=(const ServerUnderTest&) = delete;

  // Starts the server; returns the milliseconds from the start of the
  // process to its port listening. Throws std::runtime_error when it exits
  // or does not listen within 30 s.
  double start();
  // SIGTERM, then waits for the exit (SIGKILL after 30 s).
  void stop();

  const std::string& name() const { return name_; }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }

 private:
  std::string name_;
  int port_;
  std::vector<std::string> argv_;
  std::string log_path_;
  std::atomic<pid_t> pid_{-1};
};

// Interrupted, a benchmark ends its servers before it goes. The first
// blocks SIGINT, SIGTERM and SIGHUP in the calling thread and in every
// thread it starts afterwards: call it first in main. The second starts a
// thread that waits for one of them, stops each of `servers` that runs with
// SIGTERM and ends the process with status 128 + the signal.
void block_stop_signals();
void stop_servers_on_signal(std::vector<const ServerUnderTest*> servers);

}  // namespace bench

#endif  // QUOR2_BENCH_SERVER_UNDER_TEST_H_
