#include "snmp/snmp_client.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <gtest/gtest.h>

#include <future>
#include <set>

#include "checks/snmp_check.h"
#include "support/agent_process.h"
#include "support/check_outcome.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

using checks::SnmpCheck;
using Bytes = std::vector<u_char>;

// A result's outcome without the "<oid> = " of its text.
std::string outcome(const checks::CheckResult& result, const std::string& oid) {
  std::string text = testing_support::outcome(result);
  const std::size_t at = text.find(oid + " = ");
  return at == std::string::npos ? text : text.erase(at, oid.size() + 3);
}

// What the wire cannot carry: Null, malformed values, several or no
// variables, the end of the MIB view.
TEST(SnmpCheck, HandMadeResponses) {
  const struct {
    std::vector<std::pair<u_char, Bytes>> variables;
    const char* test_value;
    const char* expected;
  } table[] = {
      {{{ASN_NULL, {}}}, "", "DOWN: NULL"},
      // The last variable decides, unless an exception value came first.
      {{{ASN_IPADDRESS, {}}, {ASN_INTEGER, Bytes(sizeof(long))}}, "0", "UP: 0"},
      {{{ASN_INTEGER, Bytes(sizeof(long))}, {SNMP_ENDOFMIBVIEW, {}}},
       "0",
       "ERROR: No more variables left in this MIB View (It is past the end of the MIB tree)"},
      {{}, "5", "ERROR: __NO_VARIABLES__"},
      // A value shorter than its type is refused, not read past.
      {{{ASN_INTEGER, {}}}, "1", "ERROR: Malformed value of type 2"},
      {{{ASN_COUNTER64, Bytes(sizeof(long))}}, "1", "ERROR: Malformed value of type 70"},
  };
  for (auto c : table) {
    std::vector<netsnmp_variable_list> list(c.variables.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      list[i].type = c.variables[i].first;
      list[i].val.string = c.variables[i].second.empty() ? nullptr : c.variables[i].second.data();
      list[i].val_len = c.variables[i].second.size();
      list[i].next_variable = i + 1 < list.size() ? &list[i + 1] : nullptr;
    }
    try {
      const auto values = snmp::SnmpClient::decode(list.empty() ? nullptr : list.data());
      EXPECT_EQ(outcome(SnmpCheck::judge(values, "1.3", "is = to", c.test_value), "1.3"),
                c.expected);
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string("ERROR: ") + error.what(), c.expected);
    }
  }
}

// The check's outcome for `oid`; the test snmpd serves `host` and `with`.
std::string check(const std::string& oid, const std::string& test, const std::string& test_value,
                  const std::string& host, const std::string& with = "quor2-test") {
  std::map<std::string, std::string> params{{"Host address", host},
                                            {"Community", with},
                                            {"OID", oid},
                                            {"Test", test},
                                            {"Test value", test_value}};
  return outcome(SnmpCheck(false, utils::Env::standard()).execute(params), oid);
}

// A private snmpd on 127.0.0.1, run in tests/fixtures/snmpd and started once
// on the main thread after the library's initialisation, as the agent does.
std::string peer() {
  struct Snmpd {
    const testing_support::TempDir dir;  // its persistent data
    const std::string address = "127.0.0.1:" + std::to_string(testing_support::free_port());
    const testing_support::AgentProcess process{
        {"-i", "-C", QUOR2_FIXTURES "/snmpd", "PATH=/usr/bin:/bin", "HOME=" + dir.path(),
         "MIBS=", "SNMP_PERSISTENT_DIR=" + dir.path(), "MIBDIRS=" + dir.path(), "/usr/sbin/snmpd",
         "-f", "-Le", "-C", "-c", "snmpd.conf", "-I", "-smux", "udp:" + address},
        dir.path() + "/snmpd.log",
        "/usr/bin/env"};
  };
  static const Snmpd snmpd = (init_snmp("quor2"), Snmpd());
  static const bool started = snmpd.process.wait_for_output("NET-SNMP version", 30);
  EXPECT_TRUE(started) << snmpd.process.output();
  return snmpd.address;
}

std::string served(int key) { return ".1.3.6.1.4.1.99999." + std::to_string(key); }

TEST(SnmpCheckLive, Values) {
  std::string too_long_oid = "1.3";  // more than 128 sub-identifiers
  for (int i = 0; i < 200; ++i) too_long_oid += ".1";
  const char* const no_contains = "ERROR: Can not perform contains check on this data type.";
  const struct {
    std::string oid;
    const char* test;
    const char* test_value;
    std::string expected;
    const char* with = "quor2-test";
    std::string host = peer();
  } table[] = {
      {served(1), "is < than", "-6", "UP: -7"},
      {served(2), "is <= than", "7", "UP: 7"},
      {served(3), "is <> to", "42", "DOWN: 42"},
      {served(4), "is > than", "100", "UP: 345"},
      {served(5), "is = to", "18446744073709551615", "UP: 18446744073709551615"},
      // Every "#" and double quote escaped: a device's text cannot add fields.
      {served(6), "contains", "{34}q{34}", "UP: a{35}b{35}result=up {34}q{34}"},
      {served(7), "is <> to", "", std::string("UP: A\0{35}B", 11)},
      {served(8), "is > than", "3.1415", "UP: 3.14"},
      {served(9), "is < than", "3.1416", "UP: 3.14"},
      {served(10), "is = to", "-5", "UP: -5"},
      {served(11), "is >= than", "5", "UP: 5"},
      {served(12), "is = to", "42", "UP: 42"},
      {served(16), "is <> to", "1", "UP: nan"},  // unordered: only "is <> to" holds
      {served(16), "is = to", "nan", "DOWN: nan"},
      {served(17), "is > than", "a", "UP: \xff"},  // bytes compare unsigned
      {"1.3.6.1.2.1.1.6.0", "doesn't contain", "room", "DOWN: server room"},
      {served(13), "is = to", "1", "ERROR: Unexpected value type: 68"},
      {".1.3.6.1.4.1.424242.1.0", "is = to", "1",
       "ERROR: No such object available on this agent at this OID"},
      {served(99), "is = to", "1", "ERROR: No such instance currently exists at this OID"},
      {served(2), "contains", "1", no_contains},
      {served(9), "doesn't contain", "1", no_contains},
      {served(6), "Contains", "a", "ERROR: Unknown test type: Contains"},
      {served(1), "is = to", "abc", "ERROR: Invalid argument"},
      {served(1), "is = to", "99999999999999999999", "ERROR: Unexpected exception"},
      {"1.3.6.x.1", "is = to", "1", "ERROR: Unknown Object Identifier (x.1)"},
      {too_long_oid, "is = to", "1", "ERROR: Unknown Object Identifier (1)"},
      // The agent drops another community's requests: the retries run out (six seconds).
      {served(1), "is = to", "1", "ERROR: Timeout", "not-the-community"},
      {served(1), "is = to", "1",
       "ERROR: Unknown host (127.0.0.1:99999) (Numerical result out of range)", "quor2-test",
       "127.0.0.1:99999"},
  };
  testing_support::LogCapture capture;
  for (const auto& c : table)
    EXPECT_EQ(check(c.oid, c.test, c.test_value, c.host, c.with), c.expected) << c.oid;
  EXPECT_TRUE(capture.contains("Debug: Executing SNMP v2c check to " + peer() +
                               ":***. Checking if " + served(1) + " is < than -6"));
  EXPECT_EQ(capture.text().find("quor2-test"), std::string::npos);  // the agent's password
}

TEST(SnmpCheckLive, ParallelChecksGetTheirOwnAnswers) {
  const std::string host = peer();
  const auto answers = [&host](const char* key) {  // 40 reads of one value of the sys group
    std::set<std::string> seen;
    for (int i = 0; i < 40; ++i)
      seen.insert(check("1.3.6.1.2.1.1." + std::string(key) + ".0", "is = to", "", host));
    return seen;
  };
  auto contact = std::async(std::launch::async, answers, "4");
  auto name = std::async(std::launch::async, answers, "5");
  EXPECT_EQ(answers("6"), std::set<std::string>{"DOWN: server room"});
  EXPECT_EQ(contact.get(), std::set<std::string>{"DOWN: quor2 tests"});
  EXPECT_EQ(name.get(), std::set<std::string>{"DOWN: quor2-snmpd"});
}

}  // namespace
