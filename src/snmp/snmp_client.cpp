#include "snmp/snmp_client.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#ifndef NETSNMP_WITH_OPAQUE_SPECIAL_TYPES
#error "net-snmp without its opaque special types cannot read 64-bit and floating values"
#endif

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "checks/constants.h"
#include "utils/text.h"

namespace snmp {

std::mutex SnmpClient::snmp_mutex;

namespace {

using SessionOwner = std::unique_ptr<void, decltype(&snmp_sess_close)>;
using PduOwner = std::unique_ptr<netsnmp_pdu, decltype(&snmp_free_pdu)>;

// The library hands out its error texts in memory the caller frees.
std::string take_text(char* text) {
  const std::unique_ptr<char, decltype(&std::free)> owner(text, &std::free);
  return text != nullptr ? text : "";
}

std::string session_error(netsnmp_session* session) {
  int system_errno = 0;
  int library_errno = 0;
  char* text = nullptr;
  snmp_error(session, &system_errno, &library_errno, &text);
  return take_text(text);
}

std::string open_session_error(void* session) {
  int system_errno = 0;
  int library_errno = 0;
  char* text = nullptr;
  snmp_sess_error(session, &system_errno, &library_errno, &text);
  return take_text(text);
}

// The value of `variable` as a V, refusing a value shorter than a V.
template <class V>
const V& value_as(const netsnmp_variable_list& variable) {
  if (variable.val.string == nullptr || variable.val_len < sizeof(V)) {
    throw std::runtime_error("Malformed value of type " + std::to_string(variable.type));
  }
  return *reinterpret_cast<const V*>(variable.val.string);
}

std::uint64_t unsigned64(const netsnmp_variable_list& variable) {
  const counter64& value = value_as<counter64>(variable);
  return (static_cast<std::uint64_t>(value.high) << 32) | (value.low & 0xffffffffUL);
}

std::string octet_string(const netsnmp_variable_list& variable) {
  if (variable.val.string == nullptr) return "";
  return std::string(reinterpret_cast<const char*>(variable.val.string), variable.val_len);
}

// The value text goes into a record; only the first "#" and the first quote
// are escaped, which is what monitoring servers expect of this agent.
std::string escaped(std::string text) {
  const std::size_t hash = text.find('#');
  if (hash != std::string::npos) text.replace(hash, 1, "{35}");
  const std::size_t quote = text.find('"');
  if (quote != std::string::npos) text.replace(quote, 1, "{34}");
  return text;
}

std::string u64_text(const netsnmp_variable_list& variable) {
  char text[I64CHARSZ + 1] = {};
  printU64(text, &value_as<counter64>(variable));
  return text;
}

std::string i64_text(const netsnmp_variable_list& variable) {
  char text[I64CHARSZ + 1] = {};
  printI64(text, &value_as<counter64>(variable));
  return text;
}

}  // namespace

template <class T>
bool SnmpClient::compare(const T& value, const T& test_value, const std::string& test) {
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

template bool SnmpClient::compare<long>(const long&, const long&, const std::string&);
template bool SnmpClient::compare<unsigned long>(const unsigned long&, const unsigned long&,
                                                 const std::string&);
template bool SnmpClient::compare<std::string>(const std::string&, const std::string&,
                                               const std::string&);
template bool SnmpClient::compare<float>(const float&, const float&, const std::string&);
template bool SnmpClient::compare<double>(const double&, const double&, const std::string&);

checks::CheckResult SnmpClient::result_of(const variable_list* variables,
                                          const std::string& oid) const {
  checks::CheckResult result = checks::CheckResult::failure("__NO_VARIABLES__");
  for (const netsnmp_variable_list* variable = variables; variable != nullptr;
       variable = variable->next_variable) {
    bool up = false;
    std::string text;
    switch (variable->type) {
      case ASN_INTEGER:
      case ASN_COUNTER:
      case ASN_GAUGE: {
        const long value = value_as<long>(*variable);
        up = compare<long>(value, std::stol(test_value), test);
        text = std::to_string(value);
        break;
      }
      case ASN_TIMETICKS: {
        const unsigned long value = static_cast<unsigned long>(value_as<long>(*variable));
        up = compare<unsigned long>(value, std::stoul(test_value), test);
        text = std::to_string(value);
        break;
      }
      // Agents can send 64-bit and floating values only wrapped in an
      // Opaque; the library reports those under the opaque codes.
      case ASN_COUNTER64:
      case ASN_UNSIGNED64:
      case ASN_OPAQUE_COUNTER64:
      case ASN_OPAQUE_U64:
        up = compare<unsigned long>(unsigned64(*variable), std::stoull(test_value), test);
        text = u64_text(*variable);
        break;
      case ASN_INTEGER64:
      case ASN_OPAQUE_I64:
        up = compare<long>(static_cast<long>(unsigned64(*variable)), std::stoll(test_value), test);
        text = i64_text(*variable);
        break;
      case ASN_FLOAT:
      case ASN_OPAQUE_FLOAT: {
        const float value = value_as<float>(*variable);
        up = compare<float>(value, std::stof(test_value), test);
        text = utils::to_string(value, 2);
        break;
      }
      case ASN_DOUBLE:
      case ASN_OPAQUE_DOUBLE: {
        const double value = value_as<double>(*variable);
        up = compare<double>(value, std::stod(test_value), test);
        text = utils::to_string(value, 2);
        break;
      }
      case ASN_OCTET_STR:
        text = escaped(octet_string(*variable));
        up = compare<std::string>(text, test_value, test);
        break;
      case ASN_NULL:
        text = "NULL";
        break;
      case SNMP_NOSUCHOBJECT:
        throw std::runtime_error("No such object available on this agent at this OID");
      case SNMP_NOSUCHINSTANCE:
        throw std::runtime_error("No such instance currently exists at this OID");
      case SNMP_ENDOFMIBVIEW:
        throw std::runtime_error(
            "No more variables left in this MIB View (It is past the end of the MIB tree)");
      default:
        result = checks::CheckResult::failure("Unexpected value type: " +
                                              std::to_string(variable->type));
        continue;
    }
    result = checks::CheckResult::verdict(up, oid + " = " + text);
  }
  return result;
}

checks::CheckResult SnmpClient::get_value(const std::string& oid) const {
  netsnmp_session settings;
  snmp_sess_init(&settings);
  // The library copies what it keeps of these at open.
  settings.peername = const_cast<char*>(host.c_str());
  settings.version = version;
  if (version == SNMP_VERSION_2c) {
    settings.community = reinterpret_cast<u_char*>(const_cast<char*>(community.data()));
    settings.community_len = community.size();
  }
  const SessionOwner session(snmp_sess_open(&settings), &snmp_sess_close);
  if (!session) throw std::runtime_error(session_error(&settings));

  ::oid name[MAX_OID_LEN];
  size_t name_length = MAX_OID_LEN;
  {
    std::lock_guard<std::mutex> lock(snmp_mutex);
    if (snmp_parse_oid(oid.c_str(), name, &name_length) == nullptr) {
      throw std::runtime_error(snmp_api_errstring(snmp_errno));
    }
  }

  PduOwner request(snmp_pdu_create(SNMP_MSG_GET), &snmp_free_pdu);
  if (!request || snmp_add_null_var(request.get(), name, name_length) == nullptr) {
    throw std::bad_alloc();
  }
  netsnmp_pdu* response_pdu = nullptr;
  // The request is the library's from here on, sent or not.
  const int status = snmp_sess_synch_response(session.get(), request.release(), &response_pdu);
  const PduOwner response(response_pdu, &snmp_free_pdu);
  if (status != STAT_SUCCESS || !response) {
    throw std::runtime_error(open_session_error(session.get()));
  }
  if (response->errstat != SNMP_ERR_NOERROR) {
    throw std::runtime_error(snmp_errstring(static_cast<int>(response->errstat)));
  }
  return result_of(response->variables, oid);
}

}  // namespace snmp
