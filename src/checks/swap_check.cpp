#include "checks/swap_check.h"

namespace checks {

const std::string swapcheck_error_string = "Swap usage check Error: ";

namespace {

const CheckParameter limit{"Free Swap Limit [%]", "longinteger", 100};

}  // namespace

SwapCheck::SwapCheck(bool for_params, const utils::Env& env) : MemoryCheck(true, env) {
  QLOG_TRACE(" > SwapCheck::SwapCheck");
  QLOG_DEBUG(std::string("SwapCheck ") + (for_params ? "for params" : "for check"));
  declare({limit}, for_params, swapcheck_error_string);
  QLOG_TRACE(" < SwapCheck::SwapCheck");
}

SwapCheck::~SwapCheck() {
  QLOG_TRACE(" > SwapCheck::~SwapCheck");
  QLOG_TRACE(" < SwapCheck::~SwapCheck");
}

std::string SwapCheck::get_description() { return "Swap Usage"; }

CheckResult SwapCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > SwapCheck::execute");
  return judge(params, limit.name, swapcheck_error_string, " < SwapCheck::execute");
}

}  // namespace checks
