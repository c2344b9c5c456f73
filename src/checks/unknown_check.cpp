#include "checks/unknown_check.h"

namespace checks {

UnknownCheck::UnknownCheck() {
  QLOG_TRACE(" > UnknownCheck::UnknownCheck");
  QLOG_DEBUG("UnknownCheck");
  QLOG_TRACE(" < UnknownCheck::UnknownCheck");
}

UnknownCheck::~UnknownCheck() {
  QLOG_TRACE(" > UnknownCheck::~UnknownCheck");
  QLOG_TRACE(" < UnknownCheck::~UnknownCheck");
}

std::string UnknownCheck::get_description() { return "Unknown check"; }

CheckResult UnknownCheck::execute(const std::map<std::string, std::string>&) {
  QLOG_TRACE(" > UnknownCheck::execute");
  QLOG_DEBUG("Executing UnknownCheck.");
  QLOG_TRACE(" < UnknownCheck::execute");
  return CheckResult::failure("Unknown check");
}

}  // namespace checks
