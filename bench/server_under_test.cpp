#include "server_under_test.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include "probe/process_probe.h"

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Whether `pid` ended within `seconds`; reaps it.
bool wait_exit(pid_t pid, double seconds) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    if (milliseconds_since(start) > seconds * 1000) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

ServerUnderTest::ServerUnderTest(std::string name, int port, std::vector<std::string> argv,
                                 std::string log_path)
    : name_(std::move(name)), port_(port), argv_(std::move(argv)), log_path_(std::move(log_path)) {
  if (argv_.empty()) throw std::invalid_argument("no command for " + name_);
}

ServerUnderTest::~ServerUnderTest() { stop(); }

double ServerUnderTest::start() {
  if (probe::is_listening(port_)) throw std::runtime_error("port " + std::to_string(port_) + " is taken");
  const int log_fd = open(log_path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (log_fd < 0) throw std::runtime_error("cannot open " + log_path_);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, log_fd, 1);
  posix_spawn_file_actions_adddup2(&actions, log_fd, 2);
  std::vector<char*> args;
  for (const std::string& arg : argv_) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // The benchmark blocks the stop signals; the server must not inherit that.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  const Clock::time_point started = Clock::now();
  pid_t pid = -1;
  const int error = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
  pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(log_fd);
  if (error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv_[0]);
  }
  while (!probe::is_listening(port_)) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error(name_ + " exited before listening; see " + log_path_);
    }
    if (milliseconds_since(started) > 30000) {
      stop();
      throw std::runtime_error(name_ + " did not listen within 30 s; see " + log_path_);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return milliseconds_since(started);
}

void ServerUnderTest::stop() {
  if (pid_ < 0) return;
  const pid_t pid = pid_;
  kill(pid, SIGTERM);
  if (!wait_exit(pid, 30)) {
    kill(pid, SIGKILL);
    wait_exit(pid, 30);
  }
  pid_ = -1;
}

namespace {

sigset_t stop_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, sig);
  return signals;
}

}  // namespace

void block_stop_signals() {
  const sigset_t signals = stop_signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void stop_servers_on_signal(std::vector<const ServerUnderTest*> servers) {
  std::thread([servers] {
    const sigset_t signals = stop_signals();
    int received = 0;
    sigwait(&signals, &received);
    for (const ServerUnderTest* server : servers) {
      if (server->pid() > 0) kill(server->pid(), SIGTERM);
    }
    _exit(128 + received);
  }).detach();
}

}  // namespace bench
