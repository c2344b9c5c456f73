#include "checks/ram_check.h"

namespace checks {

const std::string ramcheck_error_string = "RAM usage check Error: ";

namespace {

const char* const limit_name = "Free RAM Limit [%]";

}  // namespace

RamCheck::RamCheck(bool for_params, const utils::Env& env) : MemoryCheck(false, env) {
  QLOG_TRACE(" > RamCheck::RamCheck");
  QLOG_DEBUG(std::string("RamCheck ") + (for_params ? "for params" : "for check"));
  if (for_params) params.push_back({limit_name, "longinteger", 100, ""});
  QLOG_TRACE(" < RamCheck::RamCheck");
}

RamCheck::~RamCheck() {
  QLOG_TRACE(" > RamCheck::~RamCheck");
  QLOG_TRACE(" < RamCheck::~RamCheck");
}

std::string RamCheck::get_description() { return "RAM Usage"; }

CheckResult RamCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > RamCheck::execute");
  return judge(params, limit_name, ramcheck_error_string, " < RamCheck::execute");
}

}  // namespace checks
