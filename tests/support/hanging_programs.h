// Stand-ins for system programs that print some output and then hang, put
// first on the PATH for the lifetime of the object, so that a check running
// its real command line reaches them. Each records its own process id and
// that of a child it waits for (before it prints), to show that nothing
// outlives a time-out. PATH is process-wide: one object at a time.
#ifndef QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_
#define QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace testing_support {

class HangingPrograms {
 public:
  HangingPrograms();
  ~HangingPrograms();
  HangingPrograms(const HangingPrograms&) = delete;
  HangingPrograms& operator=(const HangingPrograms&) = delete;

  // A program `name` that prints `output` and hangs.
  void add(const std::string& name, const std::string& output);

  // The ids of the program `name` and of its child, once it has run.
  std::vector<pid_t> pids_of(const std::string& name) const;

  // Whether the program `name` has run and neither it nor its child is left
  // (a zombie counts as gone), waiting a generous while for them to go.
  bool ended(const std::string& name) const;

 private:
  TempDir dir_;
  std::string saved_path_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_HANGING_PROGRAMS_H_
