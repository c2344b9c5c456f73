// One SNMP GET of one value, compared with a test value by one of the
// eight comparison words ("up" when the comparison holds).
//
// A plain record built by the SNMP check for one run and used by its thread
// only. Each get opens a library session of its own (the library's
// single-session calls, which keep no shared session list), so several
// threads may run clients at once; only the OID parse is serialised, by
// snmp_mutex. The library must have been initialised (init_snmp) once
// before any thread starts.
#ifndef QUOR2_SNMP_SNMP_CLIENT_H_
#define QUOR2_SNMP_SNMP_CLIENT_H_

#include <mutex>
#include <string>

#include "checks/check_result.h"

struct variable_list;  // netsnmp_variable_list

namespace snmp {

struct SnmpClient {
  std::string host;  // the library's peer name, e.g. "192.0.2.7" or "host:1161"
  std::string community;
  std::string test_value;
  std::string test;  // one of the comparison words
  long version;      // the library's version code: 1 is v2c

  // Serialises snmp_parse_oid, which walks the library's shared MIB tree.
  static std::mutex snmp_mutex;

  // GETs `oid` and judges its value (see result_of). Throws
  // std::runtime_error with the library's text when the session cannot be
  // opened, the OID does not parse, the exchange fails or times out (after
  // the library's own retries) or the response carries an error status;
  // and what result_of throws.
  checks::CheckResult get_value(const std::string& oid) const;

  // The verdict on the variables of a response; the last variable decides,
  // none gives a failure "__NO_VARIABLES__". A numeric value is compared
  // with test_value converted by the std::sto* function of its type (whose
  // std::invalid_argument / std::out_of_range pass through); a string with
  // its first "#" and first double quote escaped as "{35}" and "{34}"; a
  // Null value is down. The v2c exception values throw std::runtime_error;
  // any other type gives the failure "Unexpected value type: <code>".
  // The result text is "<oid> = <value text>".
  checks::CheckResult result_of(const variable_list* variables, const std::string& oid) const;

  // `value` <test word> `test_value`; words match exactly. "contains" and
  // "doesn't contain" apply to strings only: other types throw
  // std::runtime_error "Can not perform contains check on this data type.".
  // An unknown word throws std::runtime_error "Unknown test type: <word>".
  // Instantiated for long, unsigned long, std::string, float and double.
  template <class T>
  static bool compare(const T& value, const T& test_value, const std::string& test);
};

}  // namespace snmp

#endif  // QUOR2_SNMP_SNMP_CLIENT_H_
