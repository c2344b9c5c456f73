#include "support/process_probe.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testing_support {

namespace {

// The numeric entries of a /proc folder; empty when it cannot be read.
std::vector<pid_t> numbers_in(const std::string& folder) {
  std::vector<pid_t> numbers;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return numbers;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long number = std::strtol(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == '\0') numbers.push_back(static_cast<pid_t>(number));
  }
  closedir(dir);
  return numbers;
}

// The parent in /proc/<pid>/stat, after the command name in parentheses.
pid_t parent_of(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line) || line.rfind(')') == std::string::npos) return -1;
  std::istringstream rest(line.substr(line.rfind(')') + 1));
  std::string state;
  pid_t parent = -1;
  rest >> state >> parent;
  return parent;
}

}  // namespace

std::vector<pid_t> thread_ids(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::vector<pid_t> own;
  for (const pid_t thread : numbers_in(tasks)) {
    std::ifstream comm(tasks + "/" + std::to_string(thread) + "/comm");
    std::string name;
    std::getline(comm, name);
    if (thread == pid || name.rfind("quor2-", 0) == 0) own.push_back(thread);
  }
  return own;
}

int open_fd_count(pid_t pid) {
  return static_cast<int>(numbers_in("/proc/" + std::to_string(pid) + "/fd").size());
}

int child_process_count(pid_t pid) {
  int children = 0;
  for (const pid_t process : numbers_in("/proc")) children += parent_of(process) == pid ? 1 : 0;
  return children;
}

long resident_kib(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

}  // namespace testing_support
