// The figures of the host checks read straight from the kernel in the
// calling process, without starting a command: what a check costs at the
// least. Each function reads the moment it is called; any thread may call
// them.
#ifndef QUOR2_BENCH_PROC_READS_H_
#define QUOR2_BENCH_PROC_READS_H_

#include <string>

namespace bench {

// User and system share of all CPUs over one second, as vmstat's us + sy:
// two reads of /proc/stat a second apart.
int cpu_load_percent();

// MemFree of MemTotal, and SwapFree of SwapTotal (100 without swap), in
// percent, from /proc/meminfo.
int free_ram_percent();
int free_swap_percent();

// Used capacity of the file system mounted at `mount`, rounded up as df
// rounds it; -1 when statvfs fails.
int disk_used_percent(const std::string& mount);

// How many processes of users other than root and quor are named `name`
// (the command line without the program's directory; a process without
// one is "[" its name "]"), from /proc/*/cmdline and status. `scanned`
// counts every process looked at.
int processes_named(const std::string& name, int& scanned);

}  // namespace bench

#endif  // QUOR2_BENCH_PROC_READS_H_
