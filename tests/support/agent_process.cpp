#include "support/agent_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace testing_support {

AgentProcess::AgentProcess(const std::vector<std::string>& args, const std::string& stderr_path,
                           const std::string& binary, const std::string& stdout_path,
                           const std::string& stdin_path)
    : stderr_path_(stderr_path) {
  std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, 0, stdin_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&io, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&io, 2, stderr_path.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int error = posix_spawnp(&pid_, binary.c_str(), &io, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&io);
  if (error != 0) throw std::runtime_error("cannot start " + binary);
}

AgentProcess::~AgentProcess() {
  signal(SIGKILL);
  wait(60);
  for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "WARNING: ThreadSanitizer", ": runtime error: "}) {
    if (output().find(marker) != std::string::npos) ADD_FAILURE() << "It reported:\n" << output();
  }
}

void AgentProcess::signal(int sig) const {
  if (pid_ > 0) kill(pid_, sig);
}

int AgentProcess::wait(double seconds) {
  int status = 0;
  if (pid_ <= 0 || !wait_until(seconds, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) {
    return -1;
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string AgentProcess::output() const {
  std::ifstream in(stderr_path_, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool AgentProcess::wait_for_output(const std::string& text, double seconds) const {
  return wait_until(seconds, [&] { return output().find(text) != std::string::npos; });
}

// Files rather than pipes: nothing to drain while the program runs.
ProgramResult run_program(const std::vector<std::string>& argv, const std::string& input) {
  const TempDir dir;
  AgentProcess program({argv.begin() + 1, argv.end()}, dir.path() + "/err", argv[0],
                       dir.path() + "/out", dir.write("in", input));
  const int status = program.wait(60);
  return {status, dir.read("out"), dir.read("err")};
}

int loopback_socket(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  auto* named = reinterpret_cast<sockaddr*>(&address);
  if ((port == 0 ? bind(fd, named, sizeof(address)) : connect(fd, named, sizeof(address))) != 0) {
    close(fd);
    fd = -1;
  }
  return fd;
}

int free_port() {
  const int fd = loopback_socket(0);
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

bool wait_until(double seconds, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace testing_support
