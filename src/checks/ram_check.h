// The check "RAM": the free share of physical memory, as top reports it,
// against a lower limit. Built per request; used by one thread.
#ifndef QUOR2_CHECKS_RAM_CHECK_H_
#define QUOR2_CHECKS_RAM_CHECK_H_

#include <string>

#include "checks/memory_check.h"

namespace checks {

extern const std::string ramcheck_error_string;

class RamCheck : public MemoryCheck {
 public:
  RamCheck(bool for_params, const utils::Env& env);
  ~RamCheck() override;

  std::string get_description() override;
  // Up while the free RAM percentage exceeds "Free RAM Limit [%]".
  CheckResult execute(const std::map<std::string, std::string>& params) override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_RAM_CHECK_H_
