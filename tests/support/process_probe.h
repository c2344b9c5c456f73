// What /proc tells about a running process, for tests that check the agent
// returns to its idle state: open descriptors, child processes, resident
// memory (its thread count is testing_support::thread_count). Each call
// reads the moment it is made; any thread may call them.
#ifndef QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_
#define QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_

#include <sys/types.h>

namespace testing_support {

// Open file descriptors of the process; -1 when it is gone.
int open_fd_count(pid_t pid);

// Processes whose parent is `pid`.
int child_process_count(pid_t pid);

// Resident memory (VmRSS) in KiB; 0 when the process is gone.
long resident_kib(pid_t pid);

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_PROCESS_PROBE_H_
