#include "process_stats.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>

#include "probe/process_probe.h"

namespace bench {

namespace {

std::string proc_path(pid_t pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

// utime, stime, cutime and cstime (fields 14 to 17) in clock ticks.
long cpu_ticks(pid_t pid) {
  const std::vector<std::string> fields = probe::stat_fields(pid);
  long ticks = 0;
  for (std::size_t i = 11; i <= 14 && i < fields.size(); ++i) ticks += std::atol(fields[i].c_str());
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
