#include "snmp/snmp_client.h"

#include "checks/snmp_check.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <tuple>

#include "support/local_name_service.h"
#include "support/snmpd_process.h"

namespace {

using checks::CheckResult;
using checks::SnmpCheck;
using snmp::SnmpClient;
using testing_support::SnmpdProcess;

template <class T>
void expect_comparisons(const std::vector<std::tuple<T, T, const char*, bool>>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(SnmpCheck::compare<T>(std::get<0>(c), std::get<1>(c), std::get<2>(c)), std::get<3>(c))
        << std::get<0>(c) << " " << std::get<2>(c) << " " << std::get<1>(c);
  }
}

TEST(SnmpCompare, Words) {
  expect_comparisons<long>({{5, 5, "is < than", false},
                            {5, 5, "is <= than", true},
                            {-7, -7, "is = to", true},
                            {-7, 7, "is <> to", true},
                            {4, 5, "is >= than", false},
                            {-1, -2, "is > than", true}});
  const unsigned long top = std::numeric_limits<unsigned long>::max();
  expect_comparisons<unsigned long>({{top, 0, "is > than", true}});
  // NaN is unordered: only "is <> to" holds.
  const double nan = std::nan("");
  expect_comparisons<double>({{nan, 1.0, "is < than", false},
                              {1.0, nan, "is >= than", false},
                              {nan, nan, "is = to", false},
                              {nan, nan, "is <> to", true}});
  expect_comparisons<std::string>({{"B", "a", "is < than", true},     // byte order
                                   {"\xff", "a", "is > than", true},  // bytes compare unsigned
                                   {"server room", "room", "contains", true},
                                   {"server room", "Room", "contains", false},
                                   {"server room", "", "contains", true},
                                   {"server room", "room", "doesn't contain", false}});
}

template <class T>
std::string compare_error(const T& value, const std::string& word) {
  try {
    SnmpCheck::compare<T>(value, value, word);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no exception)";
}

TEST(SnmpCompare, WordsThatDoNotApply) {
  const std::string no_contains = "Can not perform contains check on this data type.";
  for (const std::string word : {"contains", "doesn't contain"}) {
    EXPECT_EQ(compare_error<long>(1, word), no_contains);
    EXPECT_EQ(compare_error<double>(1, word), no_contains);
  }
  for (const std::string word : {"Is = To", "is =  to", "", "contains "}) {
    EXPECT_EQ(compare_error<long>(1, word), "Unknown test type: " + word);
    EXPECT_EQ(compare_error<std::string>("x", word), "Unknown test type: " + word);
  }
}

// A get or a judgement as one text: "up: <value text>", "down: <value
// text>" (the result text without its "<oid> = "), "failure: <message>",
// or the kind and text of what it threw.
std::string outcome(const std::function<CheckResult()>& get, const std::string& oid) {
  try {
    const CheckResult result = get();
    if (!result.executed) return "failure: " + result.error_message;
    std::string text = result.result_string;
    if (text.rfind(oid + " = ", 0) == 0) text.erase(0, oid.size() + 3);
    return (result.up ? "up: " : "down: ") + text;
  } catch (const std::invalid_argument& error) {
    return std::string("invalid_argument: ") + error.what();
  } catch (const std::runtime_error& error) {
    return std::string("runtime_error: ") + error.what();
  }
}

// One variable of a response, as the library would have decoded it.
struct Var {
  u_char type;
  std::vector<u_char> bytes;
};

template <class V>
Var of(u_char type, const V& value) {
  const u_char* bytes = reinterpret_cast<const u_char*>(&value);
  return {type, std::vector<u_char>(bytes, bytes + sizeof(V))};
}

Var counter(u_char type, std::uint64_t value) {
  struct counter64 c64 = {};
  c64.high = static_cast<u_long>(value >> 32);
  c64.low = static_cast<u_long>(value & 0xffffffffU);
  return of(type, c64);
}

// What the wire cannot carry: the 64-bit and floating types outside an
// Opaque, malformed values, responses of several or no variables, and the
// end of the MIB view (a GET never meets it).
TEST(SnmpResult, HandMadeResponses) {
  const std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
  struct {
    std::vector<Var> variables;
    const char* test;
    const char* test_value;
    const char* expected;
  } table[] = {
      {{counter(ASN_UNSIGNED64, top)}, "is >= than", "1", "up: 18446744073709551615"},
      {{counter(ASN_INTEGER64, static_cast<std::uint64_t>(-5))}, "is < than", "-4", "up: -5"},
      {{of(ASN_FLOAT, 3.14159f)}, "is = to", "3.14159", "up: 3.14"},
      {{of(ASN_DOUBLE, 1234.5678)}, "is < than", "1e4", "up: 1234.57"},
      // Null is down, whatever the test.
      {{Var{ASN_NULL, {}}}, "no such word", "", "down: NULL"},
      // The last variable decides, unless an exception value came first.
      {{Var{ASN_IPADDRESS, {}}, of(ASN_INTEGER, 5L)}, "is = to", "5", "up: 5"},
      {{of(ASN_INTEGER, 5L), Var{ASN_OBJECT_ID, {}}},
       "is = to",
       "5",
       "failure: Unexpected value type: 6"},
      {{of(ASN_INTEGER, 1L), Var{SNMP_NOSUCHOBJECT, {}}},
       "is = to",
       "1",
       "runtime_error: No such object available on this agent at this OID"},
      {{}, "is = to", "5", "failure: __NO_VARIABLES__"},
      {{Var{SNMP_ENDOFMIBVIEW, {}}},
       "is = to",
       "1",
       "runtime_error: No more variables left in this MIB View (It is past the end of the MIB "
       "tree)"},
      // A value shorter than its type is refused, not read past.
      {{Var{ASN_INTEGER, {}}}, "is = to", "1", "runtime_error: Malformed value of type 2"},
      {{of(ASN_COUNTER64, 1L)}, "is = to", "1", "runtime_error: Malformed value of type 70"},
  };
  const std::string oid = "1.3.6.1.2.1.1.3.0";
  for (auto& c : table) {
    std::vector<netsnmp_variable_list> list(c.variables.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      list[i].type = c.variables[i].type;
      list[i].val.string = c.variables[i].bytes.empty() ? nullptr : c.variables[i].bytes.data();
      list[i].val_len = c.variables[i].bytes.size();
      list[i].next_variable = i + 1 < list.size() ? &list[i + 1] : nullptr;
    }
    const netsnmp_variable_list* first = list.empty() ? nullptr : &list[0];
    EXPECT_EQ(
        outcome(
            [&] { return SnmpCheck::judge(SnmpClient::decode(first), oid, c.test, c.test_value); },
            oid),
        c.expected);
  }
}

const char community[] = "quor2-test";

// The snmpd of the live tests, started once, and the library initialised;
// call it first on the main thread.
const SnmpdProcess& snmpd() {
  testing_support::init_snmp_once();
  static const SnmpdProcess process(
      community, {
                     {1, {"integer", "-7"}},
                     {2, {"counter", "7"}},
                     {3, {"gauge", "42"}},
                     {4, {"timeticks", "345"}},
                     {5, {"counter64", "18446744073709551615"}},
                     {6, {"string", "a#b#c \"q\" \"r\""}},
                     {7, {"octet", "41 00 23 42"}},                        // "A\0#B"
                     {8, {"opaque", "9f 78 04 40 49 0f db"}},              // Float 3.1415927
                     {9, {"opaque", "9f 79 08 40 09 21 fb 54 44 2d 18"}},  // Double pi
                     {10, {"integer64", "-5"}},                            // Opaque Int64
                     {11, {"opaque", "9f 7b 01 05"}},                      // Opaque UInt64 5
                     {12, {"opaque", "9f 76 01 2a"}},                      // Opaque Counter64 42
                     {13, {"opaque", "01 02 03"}},                         // a plain Opaque
                     {14, {"ipaddress", "127.0.0.1"}},
                     {15, {"objectid", ".1.3.6.1.4.1.99999"}},
                 });
  return process;
}

std::string get(const SnmpClient& client, const std::string& oid,
                const std::string& test = "is = to", const std::string& test_value = "1") {
  return outcome([&] { return SnmpCheck::judge(client.get(oid), oid, test, test_value); }, oid);
}

std::string get(const std::string& oid, const std::string& test, const std::string& test_value) {
  return get(SnmpClient{snmpd().peer(), community, 1}, oid, test, test_value);
}

TEST(SnmpClientLive, Values) {
  std::string too_long_oid = "1.3";  // more than 128 sub-identifiers
  for (int i = 0; i < 200; ++i) too_long_oid += ".1";
  const auto served = &SnmpdProcess::served_oid;
  const struct {
    std::string oid;
    const char* test;
    const char* test_value;
    std::string expected;
  } table[] = {
      {served(1), "is < than", "-6", "up: -7"},
      {served(2), "is >= than", "7", "up: 7"},
      {served(3), "is <> to", "42", "down: 42"},
      {served(4), "is > than", "100", "up: 345"},
      {served(5), "is = to", "18446744073709551615", "up: 18446744073709551615"},
      // Every "#" is escaped: a device's text cannot add fields to the answer.
      {served(6), "contains", "{34}q{34}", "up: a{35}b{35}c {34}q{34} {34}r{34}"},
      {served(7), "is <> to", "", std::string("up: A\0{35}B", 11)},
      {served(8), "is > than", "3.1415", "up: 3.14"},
      {served(9), "is < than", "3.1416", "up: 3.14"},
      {served(10), "is = to", "-5", "up: -5"},
      {served(11), "is >= than", "5", "up: 5"},
      {served(12), "is = to", "42", "up: 42"},
      {served(13), "is = to", "1", "failure: Unexpected value type: 68"},
      {served(14), "is = to", "1", "failure: Unexpected value type: 64"},
      {served(15), "is = to", "1", "failure: Unexpected value type: 6"},
      {"1.3.6.1.2.1.1.6.0", "is = to", "server room", "up: server room"},
      {".1.3.6.1.4.1.424242.1.0", "is = to", "1",
       "runtime_error: No such object available on this agent at this OID"},
      {served(99), "is = to", "1", "runtime_error: No such instance currently exists at this OID"},
      {served(1), "is = to", "abc", "invalid_argument: stol"},
      {"1.3.6.x.1", "is = to", "1", "runtime_error: Unknown Object Identifier (x.1)"},
      {too_long_oid, "is = to", "1", "runtime_error: Unknown Object Identifier (1)"},
  };
  for (const auto& c : table) {
    EXPECT_EQ(get(c.oid, c.test, c.test_value), c.expected) << c.oid;
  }
}

TEST(SnmpClientLive, UnknownHostFailsAtOpen) {
  if (!testing_support::name_service_is_local()) GTEST_SKIP() << "the lookup would leave this host";
  testing_support::init_snmp_once();
  const SnmpClient unknown{"quor2-test.invalid", community, 1};
  // The library adds the resolver's reason when it has one.
  EXPECT_EQ(get(unknown, "1.3.6.1.2.1.1.3.0")
                .rfind("runtime_error: Unknown host (quor2-test.invalid)", 0),
            0u);
}

// The agent drops requests of another community: the library's retries run
// out (about six seconds).
TEST(SnmpClientLive, WrongCommunityTimesOut) {
  const SnmpClient wrong{snmpd().peer(), "not-the-community", 1};
  EXPECT_EQ(get(wrong, "1.3.6.1.2.1.1.3.0"), "runtime_error: Timeout");
}

TEST(SnmpClientLive, ParallelClientsGetTheirOwnAnswers) {
  // Each thread asks for another value, so crossed answers show.
  const std::pair<std::string, std::string> values[] = {
      {"1.3.6.1.2.1.1.4.0", "down: quor2 tests"},
      {"1.3.6.1.2.1.1.5.0", "down: quor2-snmpd"},
      {"1.3.6.1.2.1.1.6.0", "down: server room"},
      {SnmpdProcess::served_oid(2), "down: 7"},
  };
  snmpd();
  std::vector<std::future<std::string>> results;
  for (int t = 0; t < 8; ++t) {
    results.push_back(std::async(std::launch::async, [&values, t] {
      for (int i = 0; i < 40; ++i) {
        const std::string got = get(values[t % 4].first, "is = to", "0");
        if (got != values[t % 4].second) return got;
      }
      return std::string("ok");
    }));
  }
  for (auto& result : results) EXPECT_EQ(result.get(), "ok");
}

}  // namespace
