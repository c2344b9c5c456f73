#include "process_stats.h"

#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "probe/process_probe.h"

namespace bench {

namespace {

std::string proc_path(pid_t pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

// utime, stime, cutime and cstime of /proc/<pid>/stat in clock ticks,
// counted after the command name, which may hold blanks and parentheses.
long cpu_ticks(pid_t pid) {
  std::ifstream in(proc_path(pid, "stat"));
  std::string line;
  if (!std::getline(in, line) || line.rfind(')') == std::string::npos) return 0;
  std::istringstream rest(line.substr(line.rfind(')') + 1));
  std::string field;
  for (int i = 3; i < 14; ++i) rest >> field;
  long ticks = 0;
  long value = 0;
  for (int i = 14; i <= 17 && rest >> value; ++i) ticks += value;
  return ticks;
}

}  // namespace

std::vector<pid_t> process_tree(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  for (const pid_t pid : probe::process_ids()) {
    children.emplace(probe::parent_of(pid), pid);
  }
  std::vector<pid_t> tree;
  if (probe::parent_of(root) < 0) return tree;
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
    stats.threads += static_cast<int>(probe::proc_field(status, "Threads:"));
    stats.rss_kb += probe::resident_kib(pid);
    stats.fds += probe::open_fd_count(pid);
    if (with_pss) {
      stats.pss_kb += probe::proc_field(proc_path(pid, "smaps_rollup"), "Pss:");
    }
  }
  return stats;
}

double cpu_milliseconds(pid_t root) {
  long ticks = 0;
  for (const pid_t pid : process_tree(root)) ticks += cpu_ticks(pid);
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace bench
