// The check "SNMP": one value read with an SNMP v2c GET and compared with a
// test value by one of the eight comparison words; up when the comparison
// holds. Built per request; used by one thread.
#ifndef QUOR2_CHECKS_SNMP_CHECK_H_
#define QUOR2_CHECKS_SNMP_CHECK_H_

#include <string>
#include <vector>

#include "checks/check_base.h"
#include "snmp/snmp_client.h"

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

  // The verdict on the values of a response; the last value decides, none
  // gives a failure "__NO_VARIABLES__". A number is compared with
  // `test_value` converted by the std::sto* function of its type (whose
  // std::invalid_argument / std::out_of_range pass through); a string
  // escaped as records carry it (utils::escape_record_text); a
  // Null value is down. A kError value throws std::runtime_error with its
  // text; an unsupported type gives the failure "Unexpected value type:
  // <code>". The result text is "<oid> = <value text>".
  static CheckResult judge(const std::vector<snmp::Value>& values, const std::string& oid,
                           const std::string& test, const std::string& test_value);

  // `value` <test word> `test_value`; words match exactly. "contains" and
  // "doesn't contain" apply to strings only: other types throw
  // std::runtime_error "Can not perform contains check on this data type.".
  // An unknown word throws std::runtime_error "Unknown test type: <word>".
  // Instantiated for long, unsigned long, std::string, float and double.
  template <class T>
  static bool compare(const T& value, const T& test_value, const std::string& test);
};

}  // namespace checks

#endif  // QUOR2_CHECKS_SNMP_CHECK_H_
