#include "process_stats.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace bench {

namespace {

std::string proc_path(pid_t pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

// The numeric entries of a /proc folder.
std::vector<long> numbered_entries(const std::string& folder) {
  std::vector<long> numbers;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return numbers;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long number = std::strtol(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == '\0') numbers.push_back(number);
  }
  closedir(dir);
  return numbers;
}

// The parent of `pid` from its stat line, whose command name may hold
// blanks and parentheses; -1 when the process is gone.
pid_t parent_of(pid_t pid) {
  std::ifstream in(proc_path(pid, "stat"));
  std::string line;
  if (!std::getline(in, line)) return -1;
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return -1;
  std::istringstream rest(line.substr(name_end + 1));
  std::string state;
  long parent = -1;
  rest >> state >> parent;
  return static_cast<pid_t>(parent);
}

// The number after `key` in a "Key:   123 kB" file; 0 when absent.
long field(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
  }
  return 0;
}

}  // namespace

std::vector<pid_t> process_tree(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  for (const long pid : numbered_entries("/proc")) {
    children.emplace(parent_of(static_cast<pid_t>(pid)), static_cast<pid_t>(pid));
  }
  std::vector<pid_t> tree;
  if (parent_of(root) < 0) return tree;
  tree.push_back(root);
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const auto range = children.equal_range(tree[i]);
    for (auto it = range.first; it != range.second; ++it) tree.push_back(it->second);
  }
  return tree;
}

ProcessStats read_process_stats(pid_t root, bool with_pss) {
  ProcessStats stats;
  for (const pid_t pid : process_tree(root)) {
    ++stats.processes;
    const std::string status = proc_path(pid, "status");
    stats.threads += static_cast<int>(field(status, "Threads:"));
    stats.rss_kb += field(status, "VmRSS:");
    stats.fds += static_cast<int>(numbered_entries(proc_path(pid, "fd")).size());
    if (with_pss) stats.pss_kb += field(proc_path(pid, "smaps_rollup"), "Pss:");
  }
  return stats;
}

bool is_listening(int port) {
  char wanted[8];
  std::snprintf(wanted, sizeof(wanted), ":%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);  // heading
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

}  // namespace bench
