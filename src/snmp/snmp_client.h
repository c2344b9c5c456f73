// One SNMP GET of one object, with the values of the response as plain data.
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
#include <vector>

struct variable_list;  // netsnmp_variable_list

namespace snmp {

// One variable of a response. 64-bit and floating values that agents send
// wrapped in an Opaque count as their inner types.
struct Value {
  enum Kind {
    kSigned,       // Integer, Counter32, Gauge32, Integer64: `number`
    kUnsigned,     // TimeTicks, Counter64, UInteger64: `unsigned_number`
    kFloat,        // `real`
    kDouble,       // `real`
    kOctets,       // OCTET STRING: the bytes in `text`
    kNull,         // no value
    kError,        // a v2c exception value or a malformed value: `text` says which
    kUnsupported,  // any other type, such as IpAddress or an object identifier
  };
  Kind kind = kUnsupported;
  int type = 0;  // the library's type code
  long number = 0;
  unsigned long unsigned_number = 0;
  double real = 0;
  std::string text;
};

struct SnmpClient {
  std::string host;  // the library's peer name, as peer_name() builds it
  std::string community;
  long version;            // the library's version code: 1 is v2c
  int time_bound_seconds;  // what one get may wait, all the library's tries together

  // Serialises snmp_parse_oid, which walks the library's shared MIB tree.
  static std::mutex snmp_mutex;

  // GETs `oid`: the variables of the response, in order. Throws
  // std::runtime_error with the library's text when the session cannot be
  // opened, the OID does not parse, the exchange fails or times out (after
  // the library's own retries, capped by time_bound_seconds) or the
  // response carries an error status.
  std::vector<Value> get(const std::string& oid) const;

  // The peer name of a host address as utils::HostPort reads it (port 161
  // unless given), always over UDP: "udp:host:port" or "udp6:[v6]:port".
  // So no address names another of the library's transports (unix:, tcp:).
  // Throws std::runtime_error when the address does not read.
  static std::string peer_name(const std::string& host_address);

  // The variables of a response; a value shorter than its type is a kError,
  // never read past its end.
  static std::vector<Value> decode(const variable_list* variables);
};

}  // namespace snmp

#endif  // QUOR2_SNMP_SNMP_CLIENT_H_
