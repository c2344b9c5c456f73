#include "support/process_probe.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testing_support {

namespace {

// Calls `visit` with every numeric entry of a /proc folder; -1 when the
// folder cannot be read.
template <class Visit>
int for_each_number(const std::string& folder, Visit visit) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long number = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0') continue;
    ++count;
    visit(number);
  }
  closedir(dir);
  return count;
}

// The parent in /proc/<pid>/stat, after the command name in parentheses.
long parent_of(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return -1;
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return -1;
  std::istringstream rest(line.substr(name_end + 1));
  std::string state;
  long parent = -1;
  rest >> state >> parent;
  return parent;
}

}  // namespace

int open_fd_count(pid_t pid) {
  return for_each_number("/proc/" + std::to_string(pid) + "/fd", [](long) {});
}

int child_process_count(pid_t pid) {
  int children = 0;
  for_each_number("/proc", [&children, pid](long process) {
    if (parent_of(process) == pid) ++children;
  });
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
