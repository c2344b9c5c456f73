#include "checks/snmp_check.h"

#include "checks/constants.h"
#include "checks/params_accessor.h"
#include "snmp/snmp_client.h"

namespace checks {

const std::string snmp_error_string = "SNMP check Error: ";

namespace {

const long snmp_version_2c = 1;

}  // namespace

SnmpCheck::SnmpCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > SnmpCheck::SnmpCheck");
  QLOG_DEBUG(std::string("SnmpCheck ") + (for_params ? "for params" : "for check"));
  if (for_params) {
    params.push_back({"Host address", "text", 255, ""});
    params.push_back({"Community", "text", 255, "kestra"});
    params.push_back({"OID", "text", 255, ""});
    params.push_back({"Test", "listdrop", 0, constants::equal_string});
    combo_values["Test"] = {
        constants::less_string,      constants::less_or_equal_string,    constants::equal_string,
        constants::not_equal_string, constants::greater_or_equal_string, constants::greater_string,
        constants::contains_string,  constants::not_contains_string};
    params.push_back({"Test value", "text", 255, ""});
  }
  QLOG_TRACE(" < SnmpCheck::SnmpCheck");
}

SnmpCheck::~SnmpCheck() {
  QLOG_TRACE(" > SnmpCheck::~SnmpCheck");
  QLOG_TRACE(" < SnmpCheck::~SnmpCheck");
}

std::string SnmpCheck::get_description() { return "SNMP v2c value check"; }

CheckResult SnmpCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > SnmpCheck::execute");
  return guarded(" < SnmpCheck::execute", false, [&] {
    try {
      using accessor = params_accessor<std::string>;
      const std::string host =
          accessor::get_required_param(params, "Host address", snmp_error_string);
      const std::string community =
          accessor::get_required_param(params, "Community", snmp_error_string);
      const std::string oid = accessor::get_required_param(params, "OID", snmp_error_string);
      const std::string test = accessor::get_required_param(params, "Test", snmp_error_string);
      const std::string test_value =
          accessor::get_required_param(params, "Test value", snmp_error_string);
      // The community is the agent's password: it stays out of the log.
      QLOG_DEBUG("Executing SNMP v2c check to " + logger::escape(host) + ":***. Checking if " +
                 logger::escape(oid) + " " + logger::escape(test) + " " +
                 logger::escape(test_value));
      const snmp::SnmpClient client{host, community, test_value, test, snmp_version_2c};
      const CheckResult result = client.get_value(oid);
      QLOG_TRACE(" < SnmpCheck::execute");
      return result;
    } catch (const std::invalid_argument&) {
      QLOG_TRACE(" < SnmpCheck::execute");
      return CheckResult::failure("Invalid argument");
    }
  });
}

}  // namespace checks
