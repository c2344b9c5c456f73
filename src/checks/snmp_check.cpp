#include "checks/snmp_check.h"

#include <type_traits>

#include "checks/constants.h"
#include "checks/params_accessor.h"
#include "utils/params.h"
#include "utils/text.h"

namespace checks {

const std::string snmp_error_string = "SNMP check Error: ";

namespace {

const long snmp_version_2c = 1;

struct Parameters {
  CheckParameter host, community, oid, test, test_value;
};

// Built on first use: the comparison words are other globals.
const Parameters& parameters() {
  static const Parameters table = {
      {"Host address", "text", 255},
      {"Community", "text", 255, "kestra"},
      {"OID", "text", 255},
      {"Test", "listdrop", 0, constants::equal_string,
       {constants::less_string, constants::less_or_equal_string, constants::equal_string,
        constants::not_equal_string, constants::greater_or_equal_string, constants::greater_string,
        constants::contains_string, constants::not_contains_string}},
      {"Test value", "text", 255}};
  return table;
}

}  // namespace

template <class T>
bool SnmpCheck::compare(const T& value, const T& test_value, const std::string& test) {
  if (test == constants::less_string) return value < test_value;
  if (test == constants::less_or_equal_string) return value <= test_value;
  if (test == constants::equal_string) return value == test_value;
  if (test == constants::not_equal_string) return value != test_value;
  if (test == constants::greater_or_equal_string) return value >= test_value;
  if (test == constants::greater_string) return value > test_value;
  if (test == constants::contains_string || test == constants::not_contains_string) {
    if constexpr (std::is_same_v<T, std::string>) {
      const bool found = value.find(test_value) != std::string::npos;
      return test == constants::contains_string ? found : !found;
    } else {
      throw std::runtime_error("Can not perform contains check on this data type.");
    }
  }
  throw std::runtime_error("Unknown test type: " + test);
}

template bool SnmpCheck::compare<long>(const long&, const long&, const std::string&);
template bool SnmpCheck::compare<unsigned long>(const unsigned long&, const unsigned long&,
                                                const std::string&);
template bool SnmpCheck::compare<std::string>(const std::string&, const std::string&,
                                              const std::string&);
template bool SnmpCheck::compare<float>(const float&, const float&, const std::string&);
template bool SnmpCheck::compare<double>(const double&, const double&, const std::string&);

CheckResult SnmpCheck::judge(const std::vector<snmp::Value>& values, const std::string& oid,
                             const std::string& test, const std::string& test_value) {
  CheckResult result = CheckResult::failure("__NO_VARIABLES__");
  for (const snmp::Value& value : values) {
    bool up = false;
    std::string text;
    switch (value.kind) {
      case snmp::Value::kSigned:
        up = compare<long>(value.number, std::stol(test_value), test);
        text = std::to_string(value.number);
        break;
      case snmp::Value::kUnsigned:
        up = compare<unsigned long>(value.unsigned_number, std::stoul(test_value), test);
        text = std::to_string(value.unsigned_number);
        break;
      case snmp::Value::kFloat:
        up = compare<float>(static_cast<float>(value.real), std::stof(test_value), test);
        text = utils::to_string(value.real, 2);
        break;
      case snmp::Value::kDouble:
        up = compare<double>(value.real, std::stod(test_value), test);
        text = utils::to_string(value.real, 2);
        break;
      case snmp::Value::kOctets:
        // As the answer shows it, so a test value copied from one matches.
        text = utils::escape_record_text(value.text);
        up = compare<std::string>(text, test_value, test);
        break;
      case snmp::Value::kNull:
        text = "NULL";
        break;
      case snmp::Value::kError:
        throw std::runtime_error(value.text);
      case snmp::Value::kUnsupported:
        result = CheckResult::failure("Unexpected value type: " + std::to_string(value.type));
        continue;
    }
    result = CheckResult::verdict(up, oid + " = " + text);
  }
  return result;
}

SnmpCheck::SnmpCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > SnmpCheck::SnmpCheck");
  QLOG_DEBUG(std::string("SnmpCheck ") + (for_params ? "for params" : "for check"));
  const Parameters& p = parameters();
  declare({p.host, p.community, p.oid, p.test, p.test_value}, for_params, snmp_error_string);
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
      const Parameters& p = parameters();
      const auto value = [&params](const CheckParameter& parameter) {
        return params_accessor<std::string>::get_required_param(params, parameter.name,
                                                                snmp_error_string);
      };
      const std::string host = value(p.host);
      const std::string community = value(p.community);
      const std::string oid = value(p.oid);
      const std::string test = value(p.test);
      const std::string test_value = value(p.test_value);
      // The community is the agent's password: it stays out of the log.
      QLOG_DEBUG("Executing SNMP v2c check to " + host + ":" + utils::hidden_value +
                 ". Checking if " + oid + " " + test + " " + test_value);
      const snmp::SnmpClient client{snmp::SnmpClient::peer_name(host), community, snmp_version_2c,
                                    env.timeout_seconds()};
      const CheckResult result = judge(client.get(oid), oid, test, test_value);
      QLOG_TRACE(" < SnmpCheck::execute");
      return result;
    } catch (const std::invalid_argument&) {
      QLOG_TRACE(" < SnmpCheck::execute");
      return CheckResult::failure("Invalid argument");
    }
  });
}

}  // namespace checks
