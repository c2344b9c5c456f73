// What /proc tells about a server under test: a process together with all
// its descendants (the agent is one process; sshd forks per connection).
// Plain functions of the moment they are called; any thread may call them.
#ifndef QUOR2_BENCH_PROCESS_STATS_H_
#define QUOR2_BENCH_PROCESS_STATS_H_

#include <sys/types.h>

#include <vector>

namespace bench {

struct ProcessStats {
  int processes = 0;
  int threads = 0;  // summed over the processes
  int fds = 0;      // open descriptors, summed
  long rss_kb = 0;  // resident memory, summed (shared pages count once per process)
  long pss_kb = 0;  // proportional share: shared pages split among their users
};

// `root` and its descendants, `root` first; empty when it is gone.
std::vector<pid_t> process_tree(pid_t root);

// Sums over process_tree(root). Reading the proportional share is slower;
// it is 0 unless asked for.
ProcessStats read_process_stats(pid_t root, bool with_pss);

// Milliseconds of CPU (user and system) spent by process_tree(root) so far,
// including the children each of them has reaped: sshd's per-connection
// processes count once they are gone.
double cpu_milliseconds(pid_t root);

}  // namespace bench

#endif  // QUOR2_BENCH_PROCESS_STATS_H_
