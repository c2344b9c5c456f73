// The check "CPU": user plus system CPU percentage from the second report of
// "vmstat 1 2", against a load limit. Built per request; used by one thread.
#ifndef QUOR2_CHECKS_CPU_CHECK_H_
#define QUOR2_CHECKS_CPU_CHECK_H_

#include <string>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

extern const std::string cpucheck_error_string;

class CpuCheck : public CheckBase {
 public:
  CpuCheck(bool for_params, const utils::Env& env);
  ~CpuCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // The load (us + sy, at most 100) of the second report in the output of
  // "vmstat 1 2". Throws std::runtime_error on output of another shape or
  // with negative values, and the
  // conversion errors of std::stoi on values that are not numbers.
  static int parse_vmstat(utils::LineReader& output);
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CPU_CHECK_H_
