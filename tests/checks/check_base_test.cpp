#include "checks/check_base.h"

#include <gtest/gtest.h>

#include "checks/params_accessor.h"
#include "checks/unknown_check.h"
#include "support/log_capture.h"

namespace {

using checks::CheckResult;

// A check whose definitions the test sets directly.
class PlainCheck : public checks::CheckBase {
 public:
  std::string get_description() override { return "plain"; }
  CheckResult execute(const std::map<std::string, std::string>&) override { return {}; }
};

TEST(ParamsDefinition, OptionalItemsAndValueLists) {
  PlainCheck check;
  EXPECT_EQ(check.get_params_definition(), "#");
  check.params = {{"Host", "text", 255, ""},
                  {"Mode", "listdrop", 0, "b"},
                  {"Count", "longinteger", -1, "3"},
                  {"Pick", "listcombo", 0, ""},
                  {"Empty", "listcombo", 0, ""}};
  check.combo_values = {{"Mode", {"a", "b"}}, {"Pick", {"x"}}, {"Empty", {}}, {"Orphan", {"z"}}};
  EXPECT_EQ(check.get_params_definition(),
            "#paramname1=Host#paramtype1=text#maxlength1=255#"
            "paramname2=Mode#paramtype2=listdrop#default2=b#valuecount=2#value1=a#value2=b#"
            "atbutton_paramcount=1#atbutton_param1=Mode#"
            "paramname3=Count#paramtype3=longinteger#default3=3#"
            "paramname4=Pick#paramtype4=listcombo#valuecount=1#value1=x#"
            "atbutton_paramcount=1#atbutton_param1=Pick#"
            "paramname5=Empty#paramtype5=listcombo#");
}

TEST(ParamsAccessor, IntConvertsLikeStoi) {
  const std::map<std::string, std::string> params = {
      {"a", "42abc"}, {"b", " -7"}, {"c", ""}, {"d", "abc"}, {"e", "99999999999"}};
  const auto get = [&params](const std::string& key) {
    return checks::params_accessor<int>::get_required_param(params, key, "X check Error: ");
  };
  EXPECT_EQ(get("a"), 42);
  EXPECT_EQ(get("b"), -7);
  EXPECT_THROW(get("c"), std::invalid_argument);
  EXPECT_THROW(get("d"), std::invalid_argument);
  EXPECT_THROW(get("e"), std::out_of_range);
}

TEST(ParamsAccessor, MissingIsLoggedAndThrown) {
  testing_support::LogCapture capture(logger::Logger::Error);
  const std::map<std::string, std::string> params = {{"empty", ""}};
  EXPECT_EQ(checks::params_accessor<std::string>::get_required_param(params, "empty", "P: "), "");
  try {
    checks::params_accessor<std::string>::get_required_param(params, "Load Limit [%]", "P: ");
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "Required parameter expected");
  }
  EXPECT_EQ(capture.messages(),
            std::vector<std::string>{"Error: P: Load Limit [%] parameter missing."});
}

TEST(UnknownCheck, FailsWhateverTheParameters) {
  checks::UnknownCheck check;
  EXPECT_EQ(check.get_params_definition(), "#");
  const CheckResult result = check.execute({{"a", "b"}});
  EXPECT_FALSE(result.executed || result.up);
  EXPECT_EQ(result.result_string + "|" + result.error_message, "|Unknown check");
}

}  // namespace
