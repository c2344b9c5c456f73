// What /proc tells about a running process, for tests that check the agent
// returns to its idle state. Each call reads the moment it is made; any
// thread may call them.
#ifndef QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_
#define QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_

#include <sys/types.h>

#include <vector>

namespace testing_support {

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

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_
