// The check "Processes": whether a program runs, by its process name (the
// command line of ps without the program's directory). Processes of the
// users root and quor are left out. Built for a definition request it
// offers the names of the running processes as the values of "Select
// Process". Built per request; used by one thread.
#ifndef QUOR2_CHECKS_PROC_CHECK_H_
#define QUOR2_CHECKS_PROC_CHECK_H_

#include <set>
#include <string>
#include <vector>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

extern const std::string proccheck_error_string;

class ProcCheck : public CheckBase {
 public:
  ProcCheck(bool for_params, const utils::Env& env);
  ~ProcCheck() override;

  std::string get_description() override;
  // Up when "Select Process" is exactly the name of a running process, or
  // that name as the record writer escapes it.
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // Runs ps ("ps -e" on SunOS and IRIX64) and returns the process names;
  // when that ps fails, "ps -o user,args". Throws when neither runs well.
  std::set<std::string> get_procs_set() const;

  // get_procs_set() in ascending byte order.
  std::vector<std::string> get_procs() const;

  // The process names in the output of "ps ... -o user,args", each line
  // read whole. Lines that do not split into user and command are skipped;
  // throws std::runtime_error when there is not even a heading line.
  static std::set<std::string> parse_ps(utils::LineReader& output);

 protected:
  std::vector<std::string> list_values(const CheckParameter& parameter) const override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_PROC_CHECK_H_
