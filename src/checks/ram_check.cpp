#include "checks/ram_check.h"

namespace checks {

const std::string ramcheck_error_string = "RAM usage check Error: ";

namespace {

const CheckParameter limit{"Free RAM Limit [%]", "longinteger", 100};

}  // namespace

RamCheck::RamCheck(bool for_params, const utils::Env& env) : MemoryCheck(false, env) {
  QLOG_TRACE(" > RamCheck::RamCheck");
  QLOG_DEBUG(std::string("RamCheck ") + (for_params ? "for params" : "for check"));
  declare({limit}, for_params, ramcheck_error_string);
  QLOG_TRACE(" < RamCheck::RamCheck");
}

RamCheck::~RamCheck() {
  QLOG_TRACE(" > RamCheck::~RamCheck");
  QLOG_TRACE(" < RamCheck::~RamCheck");
}

std::string RamCheck::get_description() { return "RAM Usage"; }

CheckResult RamCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > RamCheck::execute");
  return judge(params, limit.name, ramcheck_error_string, " < RamCheck::execute");
}

}  // namespace checks
