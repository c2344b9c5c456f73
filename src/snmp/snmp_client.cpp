#include "snmp/snmp_client.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#ifndef NETSNMP_WITH_OPAQUE_SPECIAL_TYPES
#error "net-snmp without its opaque special types cannot read 64-bit and floating values"
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "utils/host_port.h"

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

// The value of `variable` as a V; false when the value is shorter than a V.
template <class V>
bool read_as(const netsnmp_variable_list& variable, V& value) {
  if (variable.val.string == nullptr || variable.val_len < sizeof(V)) return false;
  std::memcpy(&value, variable.val.string, sizeof(V));
  return true;
}

Value decode_one(const netsnmp_variable_list& variable) {
  Value value;
  value.type = variable.type;
  long integer = 0;
  counter64 wide = {};
  float single = 0;
  double real = 0;
  bool complete = true;
  switch (variable.type) {
    case ASN_INTEGER:
    case ASN_COUNTER:
    case ASN_GAUGE:
      complete = read_as(variable, integer);
      value.kind = Value::kSigned;
      value.number = integer;
      break;
    case ASN_TIMETICKS:
      complete = read_as(variable, integer);
      value.kind = Value::kUnsigned;
      value.unsigned_number = static_cast<unsigned long>(integer);
      break;
    case ASN_COUNTER64:
    case ASN_UNSIGNED64:
    case ASN_OPAQUE_COUNTER64:
    case ASN_OPAQUE_U64:
    case ASN_INTEGER64:
    case ASN_OPAQUE_I64: {
      complete = read_as(variable, wide);
      const std::uint64_t bits =
          (static_cast<std::uint64_t>(wide.high) << 32) | (wide.low & 0xffffffffUL);
      const bool is_signed = variable.type == ASN_INTEGER64 || variable.type == ASN_OPAQUE_I64;
      value.kind = is_signed ? Value::kSigned : Value::kUnsigned;
      value.number = static_cast<long>(bits);
      value.unsigned_number = bits;
      break;
    }
    case ASN_FLOAT:
    case ASN_OPAQUE_FLOAT:
      complete = read_as(variable, single);
      value.kind = Value::kFloat;
      value.real = single;
      break;
    case ASN_DOUBLE:
    case ASN_OPAQUE_DOUBLE:
      complete = read_as(variable, real);
      value.kind = Value::kDouble;
      value.real = real;
      break;
    case ASN_OCTET_STR:
      value.kind = Value::kOctets;
      if (variable.val.string != nullptr) {
        value.text.assign(reinterpret_cast<const char*>(variable.val.string), variable.val_len);
      }
      break;
    case ASN_NULL:
      value.kind = Value::kNull;
      break;
    case SNMP_NOSUCHOBJECT:
      value.kind = Value::kError;
      value.text = "No such object available on this agent at this OID";
      break;
    case SNMP_NOSUCHINSTANCE:
      value.kind = Value::kError;
      value.text = "No such instance currently exists at this OID";
      break;
    case SNMP_ENDOFMIBVIEW:
      value.kind = Value::kError;
      value.text = "No more variables left in this MIB View (It is past the end of the MIB tree)";
      break;
    default:
      value.kind = Value::kUnsupported;
      break;
  }
  if (!complete) {
    value.kind = Value::kError;
    value.text = "Malformed value of type " + std::to_string(variable.type);
  }
  return value;
}

// Cuts the library's `retries` and time-out per try (`timeout_us`) so that
// all tries, one after the other, take at most `bound_seconds`; values
// within the bound stay.
void cap_wait(int& retries, long& timeout_us, int bound_seconds) {
  const long bound_us = std::max(bound_seconds, 1) * 1000000L;
  timeout_us = std::min(std::max(timeout_us, 1L), bound_us);
  retries = static_cast<int>(std::min<long>(std::max(retries, 0), bound_us / timeout_us - 1));
}

}  // namespace

std::vector<Value> SnmpClient::decode(const variable_list* variables) {
  std::vector<Value> values;
  for (const netsnmp_variable_list* variable = variables; variable != nullptr;
       variable = variable->next_variable) {
    values.push_back(decode_one(*variable));
  }
  return values;
}

std::string SnmpClient::peer_name(const std::string& host_address) {
  const utils::HostPort address = utils::HostPort::parse(host_address, "161");
  return (address.ipv6_literal() ? "udp6:" : "udp:") + utils::HostPort::bracketed(address.host) +
         ":" + address.port;
}

std::vector<Value> SnmpClient::get(const std::string& oid) const {
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
  // Open has settled the library's retries and time-out (its defaults, or
  // snmp.conf's); the session reads them at each send.
  netsnmp_session* const opened = snmp_sess_session(session.get());
  cap_wait(opened->retries, opened->timeout, time_bound_seconds);

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
  return decode(response->variables);
}

}  // namespace snmp
