#include "snmp/snmp_client.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <future>
#include <limits>
#include <memory>

#include "support/local_name_service.h"
#include "support/snmpd_process.h"

namespace {

using checks::CheckResult;
using snmp::SnmpClient;
using testing_support::SnmpdProcess;

// ---- compare -------------------------------------------------------------

template <class T>
struct CompareCase {
  T value;
  T test_value;
  const char* word;
  bool expected;
};

template <class T>
void expect_comparisons(const std::vector<CompareCase<T>>& cases) {
  for (const CompareCase<T>& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " " << c.word << " " << c.test_value);
    EXPECT_EQ(SnmpClient::compare<T>(c.value, c.test_value, c.word), c.expected);
  }
}

TEST(SnmpCompare, Long) {
  expect_comparisons<long>({
      {3, 5, "is < than", true},
      {5, 5, "is < than", false},
      {5, 5, "is <= than", true},
      {-7, -7, "is = to", true},
      {-7, 7, "is <> to", true},
      {4, 5, "is >= than", false},
      {-1, -2, "is > than", true},
  });
}

TEST(SnmpCompare, UnsignedLongComparesWithoutSign) {
  const unsigned long top = std::numeric_limits<unsigned long>::max();
  expect_comparisons<unsigned long>({
      {top, 0, "is > than", true},
      {0, top, "is >= than", false},
      {top, top, "is = to", true},
  });
}

TEST(SnmpCompare, FloatingPoint) {
  const double nan = std::nan("");
  expect_comparisons<double>({
      {0.5, 0.25, "is > than", true},
      {0.25, 0.25, "is >= than", true},
      {0.1 + 0.2, 0.3, "is = to", false},  // ordinary floating-point equality
      {nan, 1.0, "is < than", false},
      {nan, 1.0, "is <= than", false},
      {nan, nan, "is = to", false},
      {1.0, nan, "is >= than", false},
      {1.0, nan, "is > than", false},
      {nan, nan, "is <> to", true},
  });
  expect_comparisons<float>({
      {3.14159f, 3.14159f, "is = to", true},
      {-1.5f, 2.0f, "is < than", true},
      {std::nanf(""), 0.0f, "is <> to", true},
      {std::nanf(""), 0.0f, "is > than", false},
  });
}

TEST(SnmpCompare, Strings) {
  expect_comparisons<std::string>({
      {"abc", "abd", "is < than", true},
      {"B", "a", "is < than", true},     // byte order: upper case first
      {"\xff", "a", "is > than", true},  // bytes compare unsigned
      {"abc", "abc", "is <= than", true},
      {"abc", "ABC", "is = to", false},
      {"abc", "ab", "is <> to", true},
      {"ab", "abc", "is >= than", false},
      {"server room", "room", "contains", true},
      {"server room", "Room", "contains", false},
      {"server room", "", "contains", true},  // the empty text occurs everywhere
      {"", "", "contains", true},
      {"server room", "kitchen", "doesn't contain", true},
      {"server room", "room", "doesn't contain", false},
      {"server room", "", "doesn't contain", false},
  });
}

template <class T>
std::string compare_error(const T& value, const std::string& word) {
  try {
    SnmpClient::compare<T>(value, value, word);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no exception)";
}

TEST(SnmpCompare, WordsThatDoNotApply) {
  const std::string no_contains = "Can not perform contains check on this data type.";
  for (const std::string word : {"contains", "doesn't contain"}) {
    SCOPED_TRACE(word);
    EXPECT_EQ(compare_error<long>(1, word), no_contains);
    EXPECT_EQ(compare_error<unsigned long>(1, word), no_contains);
    EXPECT_EQ(compare_error<float>(1, word), no_contains);
    EXPECT_EQ(compare_error<double>(1, word), no_contains);
  }
  for (const std::string word : {"Is = To", "is =  to", "", "==", "contains "}) {
    SCOPED_TRACE(word);
    EXPECT_EQ(compare_error<long>(1, word), "Unknown test type: " + word);
    EXPECT_EQ(compare_error<unsigned long>(1, word), "Unknown test type: " + word);
    EXPECT_EQ(compare_error<float>(1, word), "Unknown test type: " + word);
    EXPECT_EQ(compare_error<double>(1, word), "Unknown test type: " + word);
    EXPECT_EQ(compare_error<std::string>("x", word), "Unknown test type: " + word);
  }
}

// ---- result_of on hand-made responses -------------------------------------

// One variable of a response, as the library would have decoded it.
class Variable {
 public:
  template <class V>
  static Variable of(u_char type, const V& value) {
    Variable variable(type);
    variable.bytes_.resize(sizeof(V));
    std::memcpy(variable.bytes_.data(), &value, sizeof(V));
    return variable;
  }
  static Variable counter(u_char type, std::uint64_t value) {
    struct counter64 c64 = {};
    c64.high = static_cast<u_long>(value >> 32);
    c64.low = static_cast<u_long>(value & 0xffffffffU);
    return of(type, c64);
  }
  static Variable octets(const std::string& text) {
    Variable variable(ASN_OCTET_STR);
    variable.bytes_.assign(text.begin(), text.end());
    return variable;
  }
  static Variable bare(u_char type) { return Variable(type); }

  // The list node, pointing at this object's bytes (valid while it lives).
  netsnmp_variable_list* node() {
    list_.val.string = bytes_.empty() ? nullptr : bytes_.data();
    list_.val_len = bytes_.size();
    return &list_;
  }

 private:
  explicit Variable(u_char type) { list_.type = type; }
  netsnmp_variable_list list_{};
  std::vector<u_char> bytes_;
};

CheckResult judge(std::vector<Variable> variables, const std::string& test,
                  const std::string& test_value) {
  netsnmp_variable_list* first = nullptr;
  for (auto it = variables.rbegin(); it != variables.rend(); ++it) {
    netsnmp_variable_list* node = it->node();
    node->next_variable = first;
    first = node;
  }
  const SnmpClient client{"", "", test_value, test, 1};
  return client.result_of(first, "1.3.6.1.2.1.1.3.0");
}

struct Verdict {
  std::vector<Variable> variables;
  const char* test;
  const char* test_value;
  bool up;
  const char* value_text;
};

// The types no agent can send as such (the wire carries them inside an
// Opaque), Null, and responses of several variables.
TEST(SnmpResult, ValueTypes) {
  const std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
  std::vector<Verdict> table;
  table.push_back(
      {{Variable::counter(ASN_UNSIGNED64, top)}, "is >= than", "1", true, "18446744073709551615"});
  table.push_back({{Variable::counter(ASN_INTEGER64, static_cast<std::uint64_t>(-5))},
                   "is < than",
                   "-4",
                   true,
                   "-5"});
  table.push_back({{Variable::of(ASN_FLOAT, 3.14159f)}, "is = to", "3.14159", true, "3.14"});
  table.push_back({{Variable::of(ASN_DOUBLE, 1234.5678)}, "is < than", "1e4", true, "1234.57"});
  table.push_back({{Variable::of(ASN_GAUGE, 42L)}, "is = to", " 42 units", true, "42"});
  table.push_back({{Variable::bare(ASN_NULL)}, "is = to", "anything", false, "NULL"});
  table.push_back({{Variable::bare(ASN_NULL)}, "no such word", "", false, "NULL"});
  // The last variable decides.
  table.push_back(
      {{Variable::bare(ASN_IPADDRESS), Variable::of(ASN_INTEGER, 5L)}, "is = to", "5", true, "5"});
  for (Verdict& c : table) {
    SCOPED_TRACE(std::string(c.test) + " " + c.test_value + " -> " + c.value_text);
    const CheckResult result = judge(std::move(c.variables), c.test, c.test_value);
    EXPECT_TRUE(result.executed);
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string, std::string("1.3.6.1.2.1.1.3.0 = ") + c.value_text);
    EXPECT_EQ(result.error_message, "");
  }
}

TEST(SnmpResult, Failures) {
  struct Case {
    std::vector<Variable> variables;
    const char* message;
  };
  std::vector<Case> table;
  table.push_back({{}, "__NO_VARIABLES__"});
  table.push_back({{Variable::bare(ASN_BIT_STR)}, "Unexpected value type: 3"});
  table.push_back(
      {{Variable::of(ASN_INTEGER, 5L), Variable::bare(ASN_OBJECT_ID)}, "Unexpected value type: 6"});
  for (Case& c : table) {
    SCOPED_TRACE(c.message);
    const CheckResult result = judge(std::move(c.variables), "is = to", "5");
    EXPECT_FALSE(result.executed);
    EXPECT_FALSE(result.up);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, c.message);
  }
}

// What judging throws: "<exception kind>: <text>".
std::string thrown(std::vector<Variable> variables, const std::string& test,
                   const std::string& test_value) {
  try {
    judge(std::move(variables), test, test_value);
  } catch (const std::invalid_argument& error) {
    return std::string("invalid_argument: ") + error.what();
  } catch (const std::out_of_range& error) {
    return std::string("out_of_range: ") + error.what();
  } catch (const std::runtime_error& error) {
    return std::string("runtime_error: ") + error.what();
  }
  return "(no exception)";
}

TEST(SnmpResult, Exceptions) {
  struct Case {
    std::vector<Variable> variables;
    const char* test;
    const char* test_value;
    const char* expected;
  };
  std::vector<Case> table;
  table.push_back({{Variable::bare(SNMP_ENDOFMIBVIEW)},
                   "is = to",
                   "1",
                   "runtime_error: No more variables left in this MIB View (It is past the end "
                   "of the MIB tree)"});
  // An exception value ends the walk even after a good variable.
  table.push_back({{Variable::of(ASN_INTEGER, 1L), Variable::bare(SNMP_NOSUCHOBJECT)},
                   "is = to",
                   "1",
                   "runtime_error: No such object available on this agent at this OID"});
  // The test value is converted before any comparison.
  table.push_back({{Variable::of(ASN_INTEGER, 5L)}, "contains", "abc", "invalid_argument: stol"});
  table.push_back({{Variable::of(ASN_COUNTER, 5L)}, "is = to", "", "invalid_argument: stol"});
  table.push_back(
      {{Variable::of(ASN_GAUGE, 5L)}, "is = to", "99999999999999999999", "out_of_range: stol"});
  table.push_back({{Variable::of(ASN_TIMETICKS, 5L)}, "is = to", "x1", "invalid_argument: stoul"});
  table.push_back(
      {{Variable::counter(ASN_COUNTER64, 5)}, "is = to", "-", "invalid_argument: stoull"});
  table.push_back({{Variable::counter(ASN_OPAQUE_U64, 5)},
                   "is = to",
                   "99999999999999999999",
                   "out_of_range: stoull"});
  table.push_back(
      {{Variable::counter(ASN_OPAQUE_I64, 5)}, "is = to", "five", "invalid_argument: stoll"});
  table.push_back(
      {{Variable::of(ASN_OPAQUE_FLOAT, 1.0f)}, "is = to", "one", "invalid_argument: stof"});
  table.push_back({{Variable::of(ASN_FLOAT, 1.0f)}, "is = to", "1e99", "out_of_range: stof"});
  table.push_back(
      {{Variable::of(ASN_OPAQUE_DOUBLE, 1.0)}, "is = to", ".", "invalid_argument: stod"});
  table.push_back({{Variable::of(ASN_DOUBLE, 1.0)}, "is = to", "1e999", "out_of_range: stod"});
  // A value shorter than its type is refused, not read past.
  table.push_back(
      {{Variable::bare(ASN_INTEGER)}, "is = to", "1", "runtime_error: Malformed value of type 2"});
  table.push_back({{Variable::of(ASN_COUNTER64, 1L)},
                   "is = to",
                   "1",
                   "runtime_error: Malformed value of type 70"});
  for (Case& c : table) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(thrown(std::move(c.variables), c.test, c.test_value), c.expected);
  }
}

// ---- against a real snmpd -------------------------------------------------

const char community[] = "quor2-test";

std::map<int, SnmpdProcess::Value> served_values() {
  return {
      {1, {"integer", "-7"}},
      {2, {"counter", "7"}},
      {3, {"gauge", "42"}},
      {4, {"unsigned", "43"}},
      {5, {"timeticks", "345"}},
      {6, {"timeticks", "50"}},
      {7, {"counter64", "18446744073709551615"}},
      {8, {"string", "a#b#c \"q\" \"r\""}},
      {9, {"ipaddress", "127.0.0.1"}},
      {10, {"objectid", ".1.3.6.1.4.1.99999"}},
      {11, {"opaque", "9f 78 04 40 49 0f db"}},              // Float 3.1415927
      {12, {"opaque", "9f 79 08 40 09 21 fb 54 44 2d 18"}},  // Double pi
      {13, {"integer64", "-5"}},                             // Opaque Int64
      {14, {"opaque", "9f 7b 01 05"}},                       // Opaque UInt64 5
      {15, {"opaque", "9f 76 01 2a"}},                       // Opaque Counter64 42
      {16, {"opaque", "01 02 03"}},                          // a plain Opaque
      {17, {"octet", "41 00 23 42"}},                        // "A\0#B"
      {18, {"string", ""}},
      {19, {"string", "server room"}},
  };
}

class SnmpClientLive : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing_support::init_snmp_once();
    try {
      snmpd = std::make_unique<SnmpdProcess>(community, served_values());
    } catch (const std::exception& error) {
      start_error = error.what();
    }
  }
  static void TearDownTestSuite() { snmpd.reset(); }
  void SetUp() override { ASSERT_TRUE(snmpd) << start_error; }

  static SnmpClient client(const std::string& test, const std::string& test_value) {
    return SnmpClient{snmpd->peer(), community, test_value, test, 1};
  }

  // What get_value throws: "<exception kind>: <text>".
  static std::string failure(const SnmpClient& client, const std::string& oid) {
    try {
      const CheckResult result = client.get_value(oid);
      return "(no exception) " + result.error_message;
    } catch (const std::invalid_argument& error) {
      return std::string("invalid_argument: ") + error.what();
    } catch (const std::runtime_error& error) {
      return std::string("runtime_error: ") + error.what();
    }
  }

  static std::unique_ptr<SnmpdProcess> snmpd;
  static std::string start_error;
};

std::unique_ptr<SnmpdProcess> SnmpClientLive::snmpd;
std::string SnmpClientLive::start_error;

TEST_F(SnmpClientLive, SnmpdIsBoundToLoopbackOnly) {
  EXPECT_EQ(snmpd->bound_addresses(), std::vector<std::string>{"udp " + snmpd->peer()});
}

TEST_F(SnmpClientLive, ValueTypesOverTheWire) {
  const struct {
    int key;
    const char* test;
    const char* test_value;
    bool up;
    std::string value_text;
  } table[] = {
      {1, "is < than", "-6", true, "-7"},
      {2, "is >= than", "7", true, "7"},
      {3, "is = to", "42", true, "42"},
      {4, "is <> to", "43", false, "43"},
      {5, "is > than", "100", true, "345"},
      {6, "is > than", "100", false, "50"},
      {7, "is = to", "18446744073709551615", true, "18446744073709551615"},
      {8, "contains", "{34}q\"", true, "a{35}b#c {34}q\" \"r\""},
      {11, "is > than", "3.1415", true, "3.14"},
      {12, "is < than", "3.1416", true, "3.14"},
      {13, "is = to", "-5", true, "-5"},
      {14, "is >= than", "5", true, "5"},
      {15, "is = to", "42", true, "42"},
      {17, "is <> to", "", true, std::string("A\0{35}B", 7)},
      {18, "contains", "", true, ""},
      {19, "doesn't contain", "kitchen", true, "server room"},
  };
  for (const auto& c : table) {
    const std::string oid = SnmpdProcess::served_oid(c.key);
    SCOPED_TRACE(oid);
    const CheckResult result = client(c.test, c.test_value).get_value(oid);
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_EQ(result.up, c.up);
    EXPECT_EQ(result.result_string, oid + " = " + c.value_text);
    EXPECT_EQ(result.error_message, "");
  }
}

TEST_F(SnmpClientLive, OidTextIsReportedAsGiven) {
  const CheckResult result = client("is >= than", "0").get_value("1.3.6.1.2.1.1.3.0");
  EXPECT_TRUE(result.up) << result.error_message;
  EXPECT_EQ(result.result_string.rfind("1.3.6.1.2.1.1.3.0 = ", 0), 0u) << result.result_string;
}

TEST_F(SnmpClientLive, UnexpectedTypesOverTheWire) {
  const std::pair<int, const char*> table[] = {
      {9, "Unexpected value type: 64"},
      {10, "Unexpected value type: 6"},
      {16, "Unexpected value type: 68"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.second);
    const CheckResult result = client("is = to", "1").get_value(SnmpdProcess::served_oid(c.first));
    EXPECT_FALSE(result.executed);
    EXPECT_EQ(result.result_string, "");
    EXPECT_EQ(result.error_message, c.second);
  }
}

TEST_F(SnmpClientLive, Failures) {
  std::string too_long_oid = "1.3";  // more than 128 sub-identifiers
  for (int i = 0; i < 200; ++i) too_long_oid += ".1";
  const struct {
    std::string oid;
    const char* test;
    const char* test_value;
    std::string expected;
  } table[] = {
      {".1.3.6.1.4.1.424242.1.0", "is = to", "1",
       "runtime_error: No such object available on this agent at this OID"},
      {SnmpdProcess::served_oid(99), "is = to", "1",
       "runtime_error: No such instance currently exists at this OID"},
      {"1.3.6.1.2.1.1.3.1", "is = to", "1",
       "runtime_error: No such instance currently exists at this OID"},
      {SnmpdProcess::served_oid(1), "is = to", "abc", "invalid_argument: stol"},
      {SnmpdProcess::served_oid(2), "contains", "7",
       "runtime_error: Can not perform contains check on this data type."},
      {SnmpdProcess::served_oid(19), "Is = To", "x", "runtime_error: Unknown test type: Is = To"},
      {"1.3.6.x.1", "is = to", "1", "runtime_error: Unknown Object Identifier (x.1)"},
      {"", "is = to", "1",
       "runtime_error: Unknown Object Identifier (Sub-id not found: (top) -> )"},
      {too_long_oid, "is = to", "1", "runtime_error: Unknown Object Identifier (1)"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.oid + " " + c.test + " " + c.test_value);
    EXPECT_EQ(failure(client(c.test, c.test_value), c.oid), c.expected);
  }
}

TEST_F(SnmpClientLive, UnknownHostFailsAtOpen) {
  if (!testing_support::name_service_is_local()) GTEST_SKIP() << "the lookup would leave this host";
  const SnmpClient unknown{"quor2-test.invalid", community, "1", "is = to", 1};
  // The library adds the resolver's reason when it has one.
  EXPECT_EQ(failure(unknown, "1.3.6.1.2.1.1.3.0")
                .rfind("runtime_error: Unknown host (quor2-test.invalid)", 0),
            0u);
}

// The agent drops requests of another community: the library's retries run
// out (about six seconds).
TEST_F(SnmpClientLive, WrongCommunityTimesOut) {
  const SnmpClient wrong{snmpd->peer(), "not-the-community", "1", "is = to", 1};
  EXPECT_EQ(failure(wrong, "1.3.6.1.2.1.1.3.0"), "runtime_error: Timeout");
}

TEST_F(SnmpClientLive, ParallelClientsGetTheirOwnAnswers) {
  // Each thread asks for another value, so crossed answers show.
  const std::pair<std::string, std::string> values[] = {
      {"1.3.6.1.2.1.1.4.0", "quor2 tests"},
      {"1.3.6.1.2.1.1.5.0", "quor2-snmpd"},
      {"1.3.6.1.2.1.1.6.0", "server room"},
      {SnmpdProcess::served_oid(2), "7"},
  };
  const int threads = 8;
  const int gets_per_thread = 40;
  std::vector<std::future<std::string>> results;
  for (int t = 0; t < threads; ++t) {
    results.push_back(std::async(std::launch::async, [&values, t] {
      const std::string& oid = values[t % 4].first;
      const std::string expected = oid + " = " + values[t % 4].second;
      for (int i = 0; i < gets_per_thread; ++i) {
        const CheckResult result = client("is <> to", "0").get_value(oid);
        if (result.result_string != expected) return result.result_string + result.error_message;
      }
      return std::string("ok");
    }));
  }
  for (auto& result : results) EXPECT_EQ(result.get(), "ok");
}

}  // namespace
