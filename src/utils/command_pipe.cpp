#include "utils/command_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace utils {

namespace {

// Attributes and file actions of posix_spawn, released on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
};

// The agent's environment with LC_ALL=C, so that numbers in the output of
// the commands never carry a decimal comma.
std::vector<char*> child_environment() {
  static const std::string c_locale = "LC_ALL=C";
  std::vector<char*> env;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "LC_ALL=", 7) != 0) env.push_back(*entry);
  }
  env.push_back(const_cast<char*>(c_locale.c_str()));
  env.push_back(nullptr);
  return env;
}

std::runtime_error start_error(const std::string& command_line, int error) {
  return std::runtime_error("Cannot run command: " + command_line + ": " + std::strerror(error));
}

}  // namespace

CommandPipe::CommandPipe(const std::string& command_line, std::chrono::seconds timeout)
    : command_line_(command_line), deadline_(Clock::now() + timeout) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw start_error(command_line_, errno);

  SpawnSetup setup;
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&setup.attr, &signals);
  for (const int sig : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGTERM, SIGQUIT})
    sigaddset(&signals, sig);
  posix_spawnattr_setsigdefault(&setup.attr, &signals);
  posix_spawnattr_setpgroup(&setup.attr, 0);
  posix_spawnattr_setflags(&setup.attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, fds[1], 1);

  const char* argv[] = {"sh", "-c", command_line_.c_str(), nullptr};
  std::vector<char*> env = child_environment();
  const int error = posix_spawn(&pid_, "/bin/sh", &setup.actions, &setup.attr,
                                const_cast<char* const*>(argv), env.data());
  close(fds[1]);
  if (error != 0) {
    close(fds[0]);
    pid_ = -1;
    throw start_error(command_line_, error);
  }
  fd_ = fds[0];
}

CommandPipe::~CommandPipe() { finish(!at_end()); }

std::size_t CommandPipe::read_some(char* out, std::size_t size) {
  if (fd_ < 0) return 0;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    pollfd pfd{fd_, POLLIN, 0};
    const int ready = left.count() > 0 ? poll(&pfd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      finish(true);
      throw std::runtime_error("Command timed out: " + command_line_);
    }
    const ssize_t got = read(fd_, out, size);
    if (got < 0 && errno == EINTR) continue;
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
}

void CommandPipe::finish(bool kill_now) {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (pid_ <= 0) return;
  // Wait without reaping, so that the group id cannot be reused before the
  // rest of the group is killed.
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (kill_now || Clock::now() >= deadline_) {
      kill(-pid_, SIGKILL);
      kill_now = true;
    }
    siginfo_t info;
    info.si_pid = 0;
    const int waited = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if (waited != 0 && errno == EINTR) continue;
    if (waited != 0) break;  // already reaped (SIGCHLD ignored)
    if (info.si_pid == pid_) {
      kill(-pid_, SIGKILL);  // stragglers the command left in its group
      break;
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(20)) pause *= 2;
  }
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace utils
