// Stand-ins for system programs that print some output and then hang, put
// first on the PATH for the lifetime of the object, so that a check running
// its real command line reaches them. Each records its own process id and
// that of a child it waits for (before it prints), to show that nothing
// outlives a time-out. PATH is process-wide: one object at a time.
#ifndef QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_
#define QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_

#include <sys/stat.h>

#include <sstream>
#include <vector>

#include "probe/process_probe.h"
#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace testing_support {

class HangingPrograms {
 public:
  HangingPrograms() : saved_path_(getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin") {
    setenv("PATH", (dir_.path() + ":" + saved_path_).c_str(), 1);
  }
  ~HangingPrograms() { setenv("PATH", saved_path_.c_str(), 1); }
  HangingPrograms(const HangingPrograms&) = delete;
  HangingPrograms& operator=(const HangingPrograms&) = delete;

  // A program `name` that prints `output` and hangs.
  void add(const std::string& name, const std::string& output) {
    const std::string base = dir_.path() + "/" + name;
    dir_.write(name + ".out", output);
    chmod(dir_.write(name, "#!/bin/sh\nsleep 300 &\necho $$ $! > '" + base + ".tmp'\nmv '" + base +
                               ".tmp' '" + base + ".pids'\ncat '" + base + ".out'\nwait\n")
              .c_str(),
          0755);
  }

  // The ids of the program `name` and of its child, once it has run.
  std::vector<pid_t> pids_of(const std::string& name) const {
    std::vector<pid_t> pids;
    wait_until(5, [&] {
      std::istringstream text(dir_.read(name + ".pids"));
      for (pid_t pid; text >> pid;) pids.push_back(pid);
      return !pids.empty();
    });
    return pids;
  }

  // Whether the program `name` has run and neither it nor its child is left
  // (a zombie counts as gone), waiting a generous while for them to go.
  bool ended(const std::string& name) const {
    const auto alive = [](pid_t pid) {
      const std::vector<std::string> fields = probe::stat_fields(pid);
      return !fields.empty() && fields[0] != "Z";
    };
    const std::vector<pid_t> pids = pids_of(name);
    return pids.size() == 2 && wait_until(5, [&] { return !alive(pids[0]) && !alive(pids[1]); });
  }

 private:
  TempDir dir_;
  const std::string saved_path_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_
