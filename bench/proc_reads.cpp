#include "proc_reads.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace bench {

namespace {

// The whole file; /proc files report no size, so it is read until its end.
std::string read_file(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(fd, buffer, sizeof(buffer))) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
  close(fd);
  return text;
}

// The number after "key:" at the start of a line; -1 when absent.
long long field(const std::string& text, const std::string& key) {
  const std::string wanted = key + ":";
  std::string::size_type at = 0;
  while (at < text.size()) {
    if (text.compare(at, wanted.size(), wanted) == 0) {
      return std::strtoll(text.c_str() + at + wanted.size(), nullptr, 10);
    }
    at = text.find('\n', at);
    if (at == std::string::npos) break;
    ++at;
  }
  return -1;
}

int free_percent(long long free, long long total) {
  return total > 0 ? static_cast<int>(free * 100 / total) : 100;
}

struct CpuTicks {
  unsigned long long busy = 0;  // user, nice, system, irq, softirq
  unsigned long long total = 0;
};

// The "cpu" line: user nice system idle iowait irq softirq steal.
CpuTicks read_cpu_ticks() {
  const std::string text = read_file("/proc/stat");
  CpuTicks ticks;
  const char* at = text.c_str() + (text.compare(0, 4, "cpu ") == 0 ? 4 : text.size());
  for (int i = 0; i < 8; ++i) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(at, &end, 10);
    if (end == at) break;
    at = end;
    ticks.total += value;
    if (i != 3 && i != 4 && i != 7) ticks.busy += value;
  }
  return ticks;
}

}  // namespace

int cpu_load_percent() {
  const CpuTicks before = read_cpu_ticks();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const CpuTicks after = read_cpu_ticks();
  const unsigned long long total = after.total - before.total;
  if (total == 0) return 0;
  return static_cast<int>(((after.busy - before.busy) * 100 + total / 2) / total);
}

int free_ram_percent() {
  const std::string text = read_file("/proc/meminfo");
  return free_percent(field(text, "MemFree"), field(text, "MemTotal"));
}

int free_swap_percent() {
  const std::string text = read_file("/proc/meminfo");
  return free_percent(field(text, "SwapFree"), field(text, "SwapTotal"));
}

int disk_used_percent(const std::string& mount) {
  struct statvfs fs {};
  if (statvfs(mount.c_str(), &fs) != 0) return -1;
  const unsigned long long used = fs.f_blocks - fs.f_bfree;
  const unsigned long long usable = used + fs.f_bavail;
  return usable == 0 ? 0 : static_cast<int>((used * 100 + usable - 1) / usable);
}

int processes_named(const std::string& name, int& scanned) {
  const passwd* quor = getpwnam("quor");
  const long long quor_uid = quor != nullptr ? static_cast<long long>(quor->pw_uid) : -1;
  int found = 0;
  scanned = 0;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return 0;
  while (const dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    const std::string status = read_file(folder + "/status");
    if (status.empty()) continue;  // gone meanwhile
    ++scanned;
    const long long uid = field(status, "Uid");
    if (uid == 0 || uid == quor_uid) continue;
    std::string command = read_file(folder + "/cmdline");
    while (!command.empty() && command.back() == '\0') command.pop_back();
    for (char& c : command) c = c == '\0' ? ' ' : c;
    if (command.empty()) {
      const std::string::size_type at = status.find("Name:\t");
      const std::string::size_type end = status.find('\n', at);
      if (at != std::string::npos) command = "[" + status.substr(at + 6, end - at - 6) + "]";
    } else if (command[0] != '[') {
      const std::string::size_type slash = command.rfind('/', command.find(' '));
      if (slash != std::string::npos) command.erase(0, slash + 1);
    }
    found += command == name ? 1 : 0;
  }
  closedir(proc);
  return found;
}

}  // namespace bench
