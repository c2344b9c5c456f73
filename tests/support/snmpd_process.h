// A private snmpd for tests: listens on a free UDP port of 127.0.0.1 only,
// answers one read-only community, reads no system configuration and no
// MIB files, opens no SMUX port, and serves the values a test gives through
// a "pass" script under `served_prefix`. sysContact.0, sysName.0 and
// sysLocation.0 are "quor2 tests", "quor2-snmpd" and "server room". Its
// files (configuration, log, persistent data, the script) live in a
// temporary folder.
//
// The constructor returns once snmpd answers; the destructor kills it.
// Start it from the main thread.
#ifndef QUOR2_TESTS_SUPPORT_SNMPD_PROCESS_H_
#define QUOR2_TESTS_SUPPORT_SNMPD_PROCESS_H_

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace testing_support {

class SnmpdProcess {
 public:
  // The subtree of the pass script.
  static const std::string served_prefix;  // ".1.3.6.1.4.1.99999"

  // A value as a pass script returns it: a type word of snmpd's pass
  // ("integer", "counter", "gauge", "unsigned", "timeticks", "counter64",
  // "integer64", "string", "octet", "opaque", "ipaddress", "objectid") and
  // the value text ("octet" and "opaque" take hex bytes, e.g. "9f 78 ...").
  using Value = std::pair<std::string, std::string>;

  // Serves `values`, keyed by the sub-identifier after served_prefix.
  // Throws std::runtime_error when snmpd cannot be started.
  SnmpdProcess(const std::string& community, const std::map<int, Value>& values);

  // The peer name for the SNMP library: "127.0.0.1:<port>".
  std::string peer() const { return "127.0.0.1:" + std::to_string(port_); }
  // The numeric OID of a served value: served_prefix + "." + key.
  static std::string served_oid(int key) { return served_prefix + "." + std::to_string(key); }

 private:
  TempDir folder_;
  int port_ = 0;
  std::unique_ptr<AgentProcess> process_;
};

// Initialises the SNMP library once per process, as the agent does at
// start-up; call it from the main thread before any test thread starts.
void init_snmp_once();

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_SNMPD_PROCESS_H_
