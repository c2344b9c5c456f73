#include "support/program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace testing_support {

namespace {

// A pipe whose ends close with the object.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    close_read();
    close_write();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  void close_read() { close_end(0); }
  void close_write() { close_end(1); }

 private:
  void close_end(int i) {
    if (fds_[i] >= 0) close(fds_[i]);
    fds_[i] = -1;
  }
  int fds_[2];
};

int exit_status(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

}  // namespace

ProgramResult run_program(const std::vector<std::string>& argv, const std::string& input,
                          double seconds) {
  Pipe in, out, err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.read_end(), 0);
  posix_spawn_file_actions_adddup2(&actions, out.write_end(), 1);
  posix_spawn_file_actions_adddup2(&actions, err.write_end(), 2);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
  in.close_read();
  out.close_write();
  err.close_write();

  // Small inputs fit into the pipe at once.
  signal(SIGPIPE, SIG_IGN);
  if (!input.empty() && write(in.write_end(), input.data(), input.size()) < 0) {
    // The program may leave without reading; its output tells the rest.
  }
  in.close_write();

  ProgramResult result;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  bool out_open = true, err_open = true;
  while (out_open || err_open) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fds[2] = {{out_open ? out.read_end() : -1, POLLIN, 0},
                     {err_open ? err.read_end() : -1, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else {
        (i == 0 ? out_open : err_open) = false;
      }
    }
  }
  int status = 0;
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      result.status = exit_status(status);
      return result;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  result.status = -1;
  return result;
}

}  // namespace testing_support
