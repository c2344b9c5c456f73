#include "utils/command_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace utils {

namespace {

// Enough of a first error line to tell what went wrong.
constexpr std::size_t max_error_line = 512;

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

void close_fd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

std::string CommandPipe::command_line(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) line += (line.empty() ? "" : " ") + arg;
  return line;
}

CommandPipe::CommandPipe(const std::vector<std::string>& argv, const RunLimit& limit)
    : command_line_(command_line(argv)), limit_(limit) {
  if (argv.empty()) throw std::invalid_argument("empty command");
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("Cannot run command: " + command_line_ + ": " + std::strerror(errno));
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    const int error = errno;
    close(out[0]);
    close(out[1]);
    throw std::runtime_error("Cannot run command: " + command_line_ + ": " + std::strerror(error));
  }

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
  posix_spawn_file_actions_adddup2(&setup.actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&setup.actions, err[1], 2);

  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env = child_environment();
  const int error = posix_spawnp(&pid_, args[0], &setup.actions, &setup.attr, args.data(),
                                 env.data());
  close(out[1]);
  close(err[1]);
  if (error != 0) {
    close(out[0]);
    close(err[0]);
    pid_ = -1;
    status_.kind = CommandStatus::kNotStarted;
    status_.code = error;
    return;
  }
  out_fd_ = out[0];
  err_fd_ = err[0];
}

CommandPipe::~CommandPipe() { kill_and_reap(); }

void CommandPipe::fail(const std::string& message) {
  kill_and_reap();
  throw std::runtime_error(message);
}

bool CommandPipe::await_output(int timeout_ms) {
  for (;;) {
    if (limit_.connection_ended()) fail("Connection closed");
    const int left = static_cast<int>(
        std::min<std::chrono::milliseconds::rep>(limit_.left().count(), INT_MAX));
    if (left <= 0) fail("Command timed out: " + command_line_);
    const int wait = timeout_ms < 0 ? left : std::min(left, timeout_ms);
    // The connection is watched for its end only (POLLRDHUP, and POLLHUP,
    // which poll always reports): data the client sent waits for the session.
    pollfd fds[3] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0},
                     {limit_.connection_fd(), POLLRDHUP, 0}};
    const int ready = poll(fds, 3, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) fail("Command failed: " + command_line_ + ": " + std::strerror(errno));
    if (fds[1].revents != 0) read_error_stream();
    if (fds[0].revents != 0) return true;
    if (ready == 0 && timeout_ms >= 0 && wait == timeout_ms) return false;
  }
}

void CommandPipe::read_error_stream() {
  char chunk[4096];
  const ssize_t got = read(err_fd_, chunk, sizeof(chunk));
  if (got < 0 && errno == EINTR) return;
  if (got <= 0) {
    close_fd(err_fd_);
    return;
  }
  for (ssize_t i = 0; i < got && !error_line_done_; ++i) {
    if (chunk[i] == '\n' || status_.error_line.size() >= max_error_line) {
      error_line_done_ = !status_.error_line.empty() || chunk[i] != '\n';
      continue;
    }
    if (chunk[i] != '\r') status_.error_line += chunk[i];
  }
}

std::size_t CommandPipe::read_some(char* out, std::size_t size) {
  while (out_fd_ >= 0) {
    await_output(-1);
    const ssize_t got = read(out_fd_, out, size);
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) return static_cast<std::size_t>(got);
    close_fd(out_fd_);
  }
  return 0;
}

CommandStatus CommandPipe::finish() {
  drain();
  if (pid_ <= 0) return status_;
  // Wait without reaping, so that the group id cannot be reused before the
  // rest of the group is killed; go on reading standard error meanwhile.
  int pause_ms = 1;
  for (;;) {
    siginfo_t info;
    info.si_pid = 0;
    const int waited = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if (waited != 0 && errno == EINTR) continue;
    if (waited != 0) {  // reaped by the system: SIGCHLD is ignored
      status_.kind = CommandStatus::kLost;
      break;
    }
    if (info.si_pid == pid_) {
      status_.kind = info.si_code == CLD_EXITED ? CommandStatus::kExited : CommandStatus::kSignaled;
      status_.code = info.si_status;
      break;
    }
    if (err_fd_ >= 0) {
      await_output(pause_ms);
    } else {
      if (limit_.left().count() <= 0) fail("Command timed out: " + command_line_);
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    }
    if (pause_ms < 20) pause_ms *= 2;
  }
  // What it wrote to standard error before it ended is in the pipe already.
  while (err_fd_ >= 0) {
    pollfd error{err_fd_, POLLIN, 0};
    if (poll(&error, 1, 0) <= 0) break;
    read_error_stream();
  }
  kill_and_reap();
  return status_;
}

void CommandPipe::kill_and_reap() {
  close_fd(out_fd_);
  close_fd(err_fd_);
  if (pid_ <= 0) return;
  // The group id stays the child's until it is reaped: stragglers of the
  // group and the child itself go first.
  kill(-pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace utils
