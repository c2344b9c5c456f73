// The check "Swap": the free share of swap space, as top reports it,
// against a lower limit. Built per request; used by one thread.
#ifndef QUOR2_CHECKS_SWAP_CHECK_H_
#define QUOR2_CHECKS_SWAP_CHECK_H_

#include <string>

#include "checks/memory_check.h"

namespace checks {

extern const std::string swapcheck_error_string;

class SwapCheck : public MemoryCheck {
 public:
  SwapCheck(bool for_params, const utils::Env& env);
  ~SwapCheck() override;

  std::string get_description() override;
  // Up while the free swap percentage exceeds "Free Swap Limit [%]".
  CheckResult execute(const std::map<std::string, std::string>& params) override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_SWAP_CHECK_H_
