// The check "SNMP": one value read with an SNMP v2c GET and compared with a
// test value by one of the eight comparison words; up when the comparison
// holds. Built per request; used by one thread.
#ifndef QUOR2_CHECKS_SNMP_CHECK_H_
#define QUOR2_CHECKS_SNMP_CHECK_H_

#include <string>

#include "checks/check_base.h"

namespace checks {

extern const std::string snmp_error_string;

class SnmpCheck : public CheckBase {
 public:
  SnmpCheck(bool for_params, const utils::Env& env);
  ~SnmpCheck() override;

  std::string get_description() override;

  // Failures: the text of a std::runtime_error (a missing parameter, the
  // SNMP library's errors, a word that does not apply), "Invalid argument"
  // for a test value that is not a number, otherwise "Unexpected exception".
  CheckResult execute(const std::map<std::string, std::string>& params) override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_SNMP_CHECK_H_
