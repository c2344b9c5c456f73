// The check that stands in for an id that is not offered: no parameters,
// and every run fails with "Unknown check".
#ifndef QUOR2_CHECKS_UNKNOWN_CHECK_H_
#define QUOR2_CHECKS_UNKNOWN_CHECK_H_

#include "checks/check_base.h"

namespace checks {

class UnknownCheck : public CheckBase {
 public:
  UnknownCheck();
  ~UnknownCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_UNKNOWN_CHECK_H_
