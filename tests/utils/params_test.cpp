#include "utils/params.h"

#include <gtest/gtest.h>

namespace {

using utils::ParamsMap;

struct ParseCase {
  const char* name;
  std::string text;
  ParamsMap expected;
};

class GetParamsMapTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(GetParamsMapTest, Parses) { EXPECT_EQ(utils::get_params_map(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Records, GetParamsMapTest,
    ::testing::Values(
        ParseCase{"Empty", "", {}}, ParseCase{"OnlySeparator", "#", {}},
        ParseCase{"Framed", "#a=1#b=2#", {{"a", "1"}, {"b", "2"}}},
        ParseCase{"Unframed", "a=1#b=2", {{"a", "1"}, {"b", "2"}}},
        ParseCase{"EmptyKey", "#=5#", {{"", "5"}}},
        ParseCase{"InnerEquals", "#a=b=c#", {{"a", "b=c"}}},
        ParseCase{"EmptyValue", "#a=#", {{"a", ""}}},
        ParseCase{"FieldWithoutEquals", "#junk#a=1#", {{"a", "1"}}},
        ParseCase{"QuotedHash", "#a=\"x#y\"#b=2#", {{"a", "x#y"}, {"b", "2"}}},
        ParseCase{"LoneQuoteValue", "#a=\"#", {{"#a", ""}}},
        ParseCase{"UnmatchedQuoteMergesEarlierFields", "#a=1#b=\"x#c=3",
                  {{"#a", "1#b=\"x"}, {"c", "3"}}},
        ParseCase{"EscapedQuoteDoesNotOpen", "#a=\\\"x#b=2#", {{"a", "\\\"x"}, {"b", "2"}}},
        ParseCase{"DuplicateKeepsLast", "#a=1#a=2#", {{"a", "2"}}},
        ParseCase{"TrailingLineEndKept", "#a=1#b=2\r\n", {{"a", "1"}, {"b", "2\r\n"}}},
        ParseCase{"NestedRecordInPara",
                  "#keycount=4#checkid=CPU#para=\"#Load Limit [%]=80#\"#",
                  {{"keycount", "4"}, {"checkid", "CPU"}, {"para", "#Load Limit [%]=80#"}}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(ParamsListToString, WritesPairsVerbatim) {
  EXPECT_EQ(utils::params_list_to_string({}), "#");
  EXPECT_EQ(utils::params_list_to_string({{"k", "v"}}), "#k=v#");
  EXPECT_EQ(utils::params_list_to_string({{"a", "1"}, {"b", "x#y"}}), "#a=1#b=x#y#");
}

TEST(ParamsRoundTrip, QuotedValueSurvives) {
  const std::string text = utils::params_list_to_string({{"p", "\"#x=1#\""}, {"q", "2"}});
  EXPECT_EQ(utils::get_params_map(text), (ParamsMap{{"p", "#x=1#"}, {"q", "2"}}));
}

TEST(EscapeRecordText, OutsideTextStaysInItsField) {
  EXPECT_EQ(utils::escape_record_text("200 OK"), "200 OK");
  EXPECT_EQ(utils::escape_record_text("a#b=c#\"d\"#"), "a{35}b=c{35}{34}d{34}{35}");
  const std::string record = utils::params_list_to_string(
      {{"resultstring", utils::escape_record_text("x#result=up#\"")}, {"k", "v"}});
  EXPECT_EQ(utils::get_params_map(record),
            (ParamsMap{{"resultstring", "x{35}result=up{35}{34}"}, {"k", "v"}}));
}

}  // namespace
