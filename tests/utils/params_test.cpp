#include "utils/params.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/record_generator.h"
#include "support/record_regex.h"

namespace {

using utils::ParamsMap;
using Pieces = std::vector<std::string>;

struct ParseCase {
  const char* name;
  std::string text;
  ParamsMap expected;
};

class GetParamsMapTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(GetParamsMapTest, Parses) {
  EXPECT_EQ(utils::get_params_map(GetParam().text), GetParam().expected);
}

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
        ParseCase{
            "UnmatchedQuoteMergesEarlierFields", "#a=1#b=\"x#c=3", {{"#a", "1#b=\"x"}, {"c", "3"}}},
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

// The scanner's rule read forwards, one "#" at a time: the reference where
// the expression gives up.
Pieces split_record_slowly(const std::string& text) {
  Pieces pieces;
  std::size_t start = 0;
  for (std::size_t hash = 0; hash < text.size(); ++hash) {
    if (text[hash] != '#') continue;
    bool quoted = false;
    bool escaped = false;
    bool separates = false;
    for (std::size_t position = hash + 1;; ++position) {
      const bool line_end = position == text.size() || text[position] == '\n' ||
                            text[position] == '\r' || text[position] == '\f';
      if (line_end && !quoted) separates = true;
      if (separates || position == text.size()) break;
      if (escaped) {
        escaped = false;
      } else if (text[position] == '\\') {
        escaped = true;
      } else if (text[position] == '"') {
        quoted = !quoted;
      }
    }
    if (!separates) continue;
    pieces.push_back(text.substr(start, hash - start));
    start = hash + 1;
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

// Compares the scanner with the expression on `text`; where the expression
// gives up, with the slow reading. Returns whether the expression gave up.
bool expect_same_pieces(const std::string& text) {
  const Pieces scanned = utils::split_record(text);
  try {
    const Pieces reference = testing_support::split_record_by_regex(text);
    EXPECT_EQ(scanned, reference) << ::testing::PrintToString(text);
    return false;
  } catch (const std::runtime_error&) {
    EXPECT_EQ(scanned, split_record_slowly(text)) << ::testing::PrintToString(text);
    return true;
  }
}

struct SplitCase {
  const char* name;
  std::string text;
  Pieces expected;
};

class SplitRecordTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRecordTest, GivesThePiecesOfTheExpression) {
  EXPECT_EQ(utils::split_record(GetParam().text), GetParam().expected);
  EXPECT_EQ(testing_support::split_record_by_regex(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SplitRecordTest,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"OnlySeparator", "#", {""}},
        SplitCase{"TwoSeparators", "##", {"", ""}}, SplitCase{"NoSeparator", "a", {"a"}},
        SplitCase{"TrailingEmptyDropped", "a#", {"a"}},
        SplitCase{"LeadingEmptyKept", "#a", {"", "a"}}, SplitCase{"LoneQuoteAfter", "#\"", {"#\""}},
        SplitCase{"LoneQuoteBefore", "\"#", {"\""}},
        SplitCase{"EscapedQuote", "#\\\"#", {"", "\\\""}},
        SplitCase{"BackslashAtEnd", "#a\\", {"", "a\\"}},
        SplitCase{"BackslashAtEndInQuotes", "#\"\\", {"#\"\\"}},
        SplitCase{"EscapedClosingQuote", "#\"a\\\"#b", {"#\"a\\\"", "b"}},
        SplitCase{"EscapedBackslashThenQuote", "#\"\\\\\"#", {"", "\"\\\\\""}},
        SplitCase{"EscapedHashStillSeparates", "a\\#b", {"a\\", "b"}},
        SplitCase{"EscapedLineBreakInQuotes", "#\"\\\n\"", {"", "\"\\\n\""}},
        SplitCase{"LfEndsTheCount", "#a\n\"#b", {"", "a\n\"", "b"}},
        SplitCase{"CrEndsTheCount", "#a\r\"#b", {"", "a\r\"", "b"}},
        SplitCase{"FfEndsTheCount", "#a\f\"#b", {"", "a\f\"", "b"}},
        SplitCase{"CrLfEndsTheCount", "#a\r\n\"#b", {"", "a\r\n\"", "b"}},
        SplitCase{"QuotedLineBreakDoesNotEnd", "#\"x\n\"#", {"", "\"x\n\""}},
        SplitCase{"NextLineCanBalance", "#\"#\r\n\"", {"", "\"", "\r\n\""}},
        SplitCase{
            "NulIsPlain", std::string("#a\0\"b\"#c", 8), {"", std::string("a\0\"b\"", 5), "c"}},
        SplitCase{"NextLineOfLatin1IsPlain", "#a\x85\"#b", {"#a\x85\"", "b"}},
        SplitCase{"HighBytesArePlain", "#\xff=\xfe#", {"", "\xff=\xfe"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

// Where the expression runs out of matcher memory on a well-formed record,
// the scanner keeps to the rule.
TEST(SplitRecord, KeepsTheRuleWhereTheExpressionGivesUp) {
  std::string para = "\"";
  while (para.size() < 1800) para += "#k=\\\"v\\\"";
  para += "#\"";
  const std::string record =
      "#keycount=5#sessionid=1#requestaction=runcheck#checkid=URL#para=" + para + "#";
  const Pieces expected = {
      "", "keycount=5", "sessionid=1", "requestaction=runcheck", "checkid=URL", "para=" + para};
  EXPECT_EQ(utils::split_record(record), expected);
  EXPECT_TRUE(expect_same_pieces(record)) << "the expression no longer gives up here";

  std::string unbalanced;
  while (unbalanced.size() < 2000) unbalanced += "#\"\"";
  unbalanced += "\"";
  EXPECT_EQ(utils::split_record(unbalanced), Pieces{unbalanced});
  expect_same_pieces(unbalanced);
}

// Every text of up to six bytes over the bytes that matter.
TEST(SplitRecord, MatchesTheExpressionOnAllShortTexts) {
  const std::string alphabet = std::string("#\"\\\n\ra\f");
  std::vector<std::size_t> digits;
  for (std::size_t length = 0; length <= 6; ++length) {
    digits.assign(length, 0);
    while (true) {
      std::string text;
      for (const std::size_t digit : digits) text += alphabet[digit];
      expect_same_pieces(text);
      if (::testing::Test::HasFailure()) return;
      std::size_t i = 0;
      while (i < length && ++digits[i] == alphabet.size()) digits[i++] = 0;
      if (i == length) break;
    }
  }
}

TEST(SplitRecord, MatchesTheExpressionOnGeneratedRecords) {
  struct Batch {
    std::size_t count;
    std::size_t max_length;
  };
  testing_support::RecordGenerator generator(20240607);
  for (const Batch batch :
       {Batch{150000, 24}, Batch{20000, 160}, Batch{1000, 700}, Batch{100, 2048}}) {
    for (std::size_t i = 0; i < batch.count; ++i) {
      expect_same_pieces(generator.next(batch.max_length));
      if (::testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace
