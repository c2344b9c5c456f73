// What /proc tells about a running process, for tests that check the agent
// returns to its idle state, and for the benchmark. Each call reads the
// moment it is made; any thread may call them.
#ifndef QUOR2_BENCH_PROBE_PROCESS_PROBE_H_
#define QUOR2_BENCH_PROBE_PROCESS_PROBE_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace probe {

// The ids of the agent's own threads: its main thread and those it named
// "quor2-..."; threads of a sanitizer's runtime are left out.
std::vector<pid_t> thread_ids(pid_t pid);
inline int thread_count(pid_t pid) { return static_cast<int>(thread_ids(pid).size()); }

// Open file descriptors of the process; 0 when it is gone.
int open_fd_count(pid_t pid);

// Processes whose parent is `pid`.
int child_process_count(pid_t pid);

// Resident memory (VmRSS) in KiB; 0 when the process is gone.
long resident_kib(pid_t pid);

// The number after `key` in a /proc file of "Key:   123 kB" lines, such as
// /proc/<pid>/status; 0 when absent.
long proc_field(const std::string& path, const std::string& key);

// Every process id in /proc.
std::vector<pid_t> process_ids();

// The fields of /proc/<pid>/stat after the command name, from the state
// (field 3) on; empty when the process is gone.
std::vector<std::string> stat_fields(pid_t pid);

// The parent of `pid`; -1 when the process is gone.
pid_t parent_of(pid_t pid);

// Whether a TCP socket listens on `port` (any local address), from
// /proc/net/tcp: no connection is made, so none shows in the agent's log.
bool is_listening(int port);

}  // namespace probe

#endif  // QUOR2_BENCH_PROBE_PROCESS_PROBE_H_
