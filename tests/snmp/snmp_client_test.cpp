#include "snmp/snmp_client.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <tuple>

#include "checks/snmp_check.h"
#include "support/agent_process.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "utils/params.h"

namespace {

using checks::SnmpCheck;

// What the wire cannot carry: Null, no variables, a value shorter than its
// type (refused, not read past).
TEST(SnmpCheck, HandMadeResponses) {
  const std::tuple<u_char, std::size_t, const char*> table[] = {
      {ASN_NULL, 0, "DOWN: 1.3 = NULL"},
      {0, 0, "ERROR: __NO_VARIABLES__"},
      {ASN_INTEGER, sizeof(int), "ERROR: Malformed value of type 2"},
      {ASN_COUNTER64, sizeof(long), "ERROR: Malformed value of type 70"},
  };
  for (const auto& [type, size, expected] : table) {
    std::vector<u_char> value(size);
    netsnmp_variable_list variable{};
    variable.type = type;
    variable.val.string = size != 0 ? value.data() : nullptr;
    variable.val_len = size;
    try {
      const auto values = snmp::SnmpClient::decode(type != 0 ? &variable : nullptr);
      EXPECT_EQ(testing_support::outcome(SnmpCheck::judge(values, "1.3", "is = to", "")), expected);
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string("ERROR: ") + error.what(), expected);
    }
  }
}

// Each comparison word on a value below, at and above the test value ("T"
// where it holds), as text and as numbers (the contains words: text only).
TEST(SnmpCheck, ComparisonWordsAtEquality) {
  const std::pair<std::string, std::string> words[] = {
      {"is < than", "TFF"}, {"is <= than", "TTF"},     {"is = to", "FTF"},
      {"is <> to", "TFT"},  {"is >= than", "FTT"},     {"is > than", "FFT"},
      {"contains", "FTF"},  {"doesn't contain", "TFT"}};
  for (const auto& [word, expected] : words) {
    std::string text, number;
    for (long value = 4; value <= 6; ++value) {
      text += SnmpCheck::compare<std::string>(std::to_string(value), "5", word) ? 'T' : 'F';
      number += word[0] == 'i' && SnmpCheck::compare<long>(value, 5, word) ? 'T' : 'F';
    }
    EXPECT_EQ(text, expected) << word;
    EXPECT_TRUE(word[0] != 'i' || number == expected) << word;
  }
}

// The check's outcome for `oid` on `host`, which `with` is the community of.
std::string check(const std::string& oid, const std::string& test, const std::string& test_value,
                  const std::string& host, const std::string& with = "quor2-test",
                  int timeout_seconds = 10) {
  const std::string record = "#Host address=" + host + "#Community=" + with + "#OID=" + oid +
                             "#Test=" + test + "#Test value=" + test_value + "#";
  const utils::Env env(timeout_seconds);
  SnmpCheck snmp(false, env);
  std::string text = testing_support::outcome(snmp.execute(utils::get_params_map(record)));
  const std::size_t at = text.find(oid + " = ");  // dropped from the result text
  return at == std::string::npos ? text : text.erase(at, oid.size() + 3);
}

// A private snmpd on 127.0.0.1 and ::1 (the same port; "[::1]:<port>" for
// `ipv6`), run in tests/fixtures/snmpd and started once on the main thread
// after the library's initialisation, as the agent does.
std::string peer(bool ipv6 = false) {
  struct Snmpd {
    const testing_support::TempDir dir;  // its persistent data
    const std::string address = "127.0.0.1:" + std::to_string(testing_support::free_port());
    const testing_support::AgentProcess process{
        {"-i", "-C", QUOR2_FIXTURES "/snmpd", "MIBS=", "SNMP_PERSISTENT_DIR=" + dir.path(),
         "MIBDIRS=" + dir.path(), "/usr/sbin/snmpd", "-f", "-Le", "-C", "-c", "snmpd.conf", "-I",
         "-smux", "udp:" + address + ",udp6:[::1]" + address.substr(9)},
        dir.path() + "/snmpd.log",
        "/usr/bin/env"};
  };
  static const Snmpd snmpd = (init_snmp("quor2"), Snmpd());
  static const bool started = snmpd.process.wait_for_output("NET-SNMP version", 30);
  EXPECT_TRUE(started) << snmpd.process.output();
  return ipv6 ? "[::1]" + snmpd.address.substr(9) : snmpd.address;
}

std::string served(int key) { return ".1.3.6.1.4.1.99999." + std::to_string(key); }

TEST(SnmpCheckLive, Values) {
  std::string too_long_oid = "1.3";  // more than 128 sub-identifiers
  for (int i = 0; i < 200; ++i) too_long_oid += ".1";
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
      {served(4), "is > than", "100", "UP: 345"},
      {served(5), "is = to", "18446744073709551615", "UP: 18446744073709551615"},
      // Every "#" and double quote escaped: a device's text cannot add fields.
      {served(6), "contains", "{34}q{34}", "UP: a{35}b{35}result=up {34}q{34}"},
      {served(7), "is <> to", "", "UP: A{0}{35}B", "quor2-test", peer(true)},
      {served(8), "is > than", "3.1415", "UP: 3.14"},
      {served(9), "is < than", "3.1416", "UP: 3.14"},
      {served(10), "is = to", "-5", "UP: -5"},
      {served(12), "is <> to", "42", "DOWN: 42"},
      {served(16), "is <> to", "1", "UP: nan"},    // unordered: only "is <> to" holds
      {served(17), "is > than", "a", "UP: \xff"},  // bytes compare unsigned
      {"1.3.6.1.2.1.1.6.0", "doesn't contain", "room", "DOWN: server room"},
      {served(13), "is = to", "1", "ERROR: Unexpected value type: 68"},
      {".1.3.6.1.4.1.424242.1.0", "is = to", "1",
       "ERROR: No such object available on this agent at this OID"},
      {served(99), "is = to", "1", "ERROR: No such instance currently exists at this OID"},
      {served(2), "contains", "1", "ERROR: Can not perform contains check on this data type."},
      {served(6), "Contains", "a", "ERROR: Unknown test type: Contains"},
      {served(1), "is = to", "abc", "ERROR: Invalid argument"},
      {served(1), "is = to", "99999999999999999999", "ERROR: Unexpected exception"},
      {too_long_oid, "is = to", "1", "ERROR: Unknown Object Identifier (1)"},
  };
  testing_support::LogCapture capture;
  for (const auto& c : table)
    EXPECT_EQ(check(c.oid, c.test, c.test_value, c.host, c.with), c.expected) << c.oid;
  // The community is the agent's password: never logged.
  for (const std::string& line : capture.lines()) EXPECT_EQ(line.find("quor2-test"), line.npos);
}

// A request reaches the agent over UDP only: the library's other transports
// are refused before any packet, so a Unix socket and a TCP listener on
// loopback see nothing. A silent agent (snmpd drops a wrong community) is
// given up at the time bound: two tries of a second in 2 s, as snmpd counts.
TEST(SnmpCheckLive, OnlyUdpAndWithinTheTimeBound) {
  const testing_support::TempDir dir;
  const std::string port = std::to_string(testing_support::free_port());
  const testing_support::AgentProcess listener(
      {"-c",
       "import select, socket, sys\nu = socket.socket(socket.AF_UNIX)\nu.bind(sys.argv[1])\n"
       "u.listen()\nt = socket.create_server(('127.0.0.1', int(sys.argv[2])))\n"
       "for word in 'listening', 'reached':\n  print(word, file=sys.stderr, flush=True)\n"
       "  select.select([u, t], [], [])",
       dir.path() + "/snmp.sock", port},
      dir.path() + "/listener.log", "/usr/bin/python3");
  ASSERT_TRUE(listener.wait_for_output("listening", 30));
  EXPECT_EQ(check("1.3", "is = to", "1", "unix:" + dir.path() + "/snmp.sock"),
            "ERROR: Invalid port: expected a number from 1 to 65535");
  EXPECT_EQ(check("1.3", "is = to", "1", "tcp:127.0.0.1:" + port),
            "ERROR: Invalid host: expected host, host:port, [IPv6] or [IPv6]:port");
  EXPECT_FALSE(listener.wait_for_output("reached", 1)) << listener.output();

  const auto bad_communities = [] {  // snmpInBadCommunityNames
    return std::stol(check("1.3.6.1.2.1.11.4.0", "is >= than", "0", peer()).substr(4));
  };
  const long before = bad_communities();
  EXPECT_EQ(check(served(1), "is = to", "1", peer(), "not-the-community", 2), "ERROR: Timeout");
  EXPECT_EQ(bad_communities() - before, 2);
  EXPECT_EQ(snmp::SnmpClient::peer_name("::1"), "udp6:[::1]:161");
}

// Three threads, each reading another value of the sys group 40 times.
TEST(SnmpCheckLive, ParallelChecksGetTheirOwnAnswers) {
  const std::string host = peer();
  const auto answers = [&host](const std::string& oid) {
    std::set<std::string> seen;
    for (int i = 0; i < 40; ++i) seen.insert(check(oid, "is = to", "", host));
    return std::vector<std::string>(seen.begin(), seen.end());
  };
  auto contact = std::async(std::launch::async, answers, "1.3.6.1.2.1.1.4.0");
  auto name = std::async(std::launch::async, answers, "1.3.6.1.2.1.1.5.0");
  EXPECT_EQ(answers("1.3.6.1.2.1.1.6.0"), std::vector<std::string>{"DOWN: server room"});
  EXPECT_EQ(contact.get(), std::vector<std::string>{"DOWN: quor2 tests"});
  EXPECT_EQ(name.get(), std::vector<std::string>{"DOWN: quor2-snmpd"});
}

}  // namespace
