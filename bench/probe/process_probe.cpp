#include "probe/process_probe.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace probe {

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
  for (const pid_t process : process_ids()) children += parent_of(process) == pid ? 1 : 0;
  return children;
}

long resident_kib(pid_t pid) {
  return proc_field("/proc/" + std::to_string(pid) + "/status", "VmRSS:");
}

long proc_field(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
  }
  return 0;
}

std::vector<pid_t> process_ids() { return numbers_in("/proc"); }

// The command name may hold blanks and parentheses: the fields start after
// its last ")".
std::vector<std::string> stat_fields(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::vector<std::string> fields;
  if (!std::getline(in, line) || line.rfind(')') == std::string::npos) return fields;
  std::istringstream rest(line.substr(line.rfind(')') + 1));
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

pid_t parent_of(pid_t pid) {
  const std::vector<std::string> fields = stat_fields(pid);
  return fields.size() > 1 ? std::atoi(fields[1].c_str()) : -1;
}

bool is_listening(int port) {
  char wanted[8];
  std::snprintf(wanted, sizeof(wanted), ":%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace probe
