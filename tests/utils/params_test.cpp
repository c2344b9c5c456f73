#include "utils/params.h"

#include <gtest/gtest.h>

#include "parser/record_generator.h"
#include "parser/record_regex.h"

namespace {

using Pieces = std::vector<std::string>;

std::string joined(const Pieces& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += piece + "|";
  return text;
}

// Records as the scanner splits them ("|" after each piece) and as they are
// read into keys and values.
TEST(Records, SplitAndRead) {
  const struct {
    std::string text;
    std::string pieces;
    utils::ParamsMap map;
  } rows[] = {
      {"", "", {}},
      {"#", "|", {}},
      {"##", "||", {}},
      {"a=1#", "a=1|", {{"a", "1"}}},  // an empty last piece is dropped
      {"#a=1#b=2#", "|a=1|b=2|", {{"a", "1"}, {"b", "2"}}},
      {"#=5#a=b=c#a=#junk#", "|=5|a=b=c|a=|junk|", {{"", "5"}, {"a", ""}}},
      {"#a=\"x#y\"#b=2#", "|a=\"x#y\"|b=2|", {{"a", "x#y"}, {"b", "2"}}},
      {"#a=\"#", "#a=\"|", {{"#a", ""}}},
      {"\"#", "\"|", {}},
      {"#a=1#b=\"x#c=3", "#a=1#b=\"x|c=3|", {{"#a", "1#b=\"x"}, {"c", "3"}}},
      {"#a=\\\"x#b=2#", "|a=\\\"x|b=2|", {{"a", "\\\"x"}, {"b", "2"}}},  // no quote opens
      {"#a\\", "|a\\|", {}},
      {"#\"\\", "#\"\\|", {}},
      {"#\"a\\\"#b", "#\"a\\\"|b|", {}},
      {"#\"\\\\\"#", "|\"\\\\\"|", {}},
      {"a\\#b", "a\\|b|", {}},  // an escaped "#" still separates
      {"#\"\\\n\"", "|\"\\\n\"|", {}},
      // A line break outside quotes ends the count, one inside does not.
      {"#a\n\"#b", "|a\n\"|b|", {}},
      {"#a\r\"#b", "|a\r\"|b|", {}},
      {"#a\f\"#b", "|a\f\"|b|", {}},
      {"#a=1#b=2\r\n", "|a=1|b=2\r\n|", {{"a", "1"}, {"b", "2\r\n"}}},
      {"#\"x\n\"#", "|\"x\n\"|", {}},
      {"#\"#\r\n\"", "|\"|\r\n\"|", {}},
      {std::string("#a\0\"b\"#c", 8), std::string("|a\0\"b\"|c|", 9), {}},
      {"#a\x85\"#b", "#a\x85\"|b|", {}},  // NEL of Latin-1 is plain
      {"#\xff=\xfe#", "|\xff=\xfe|", {{"\xff", "\xfe"}}},
      {"#keycount=4#checkid=CPU#para=\"#Load Limit [%]=80#\"#",
       "|keycount=4|checkid=CPU|para=\"#Load Limit [%]=80#\"|",
       {{"keycount", "4"}, {"checkid", "CPU"}, {"para", "#Load Limit [%]=80#"}}},
  };
  for (const auto& c : rows) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(joined(utils::split_record(c.text)), c.pieces);
    EXPECT_EQ(joined(testing_support::split_record_by_regex(c.text)), c.pieces);
    EXPECT_EQ(utils::get_params_map(c.text), c.map);
  }
}

TEST(Records, Writing) {
  EXPECT_EQ(utils::params_list_to_string({}), "#");
  EXPECT_EQ(utils::params_list_to_string({{"a", "1"}, {"b", "x#y"}}), "#a=1#b=x#y#");
  EXPECT_EQ(utils::counted_record({{"a", "1"}, {"b", ""}}), "#keycount=2#a=1#b=#");
  EXPECT_EQ(utils::get_params_map(utils::params_list_to_string({{"p", "\"#x=1#\""}, {"q", "2"}})),
            (utils::ParamsMap{{"p", "#x=1#"}, {"q", "2"}}));
  // Outside text made safe stays in its field.
  EXPECT_EQ(utils::escape_record_text("200 OK"), "200 OK");
  const std::string escaped = utils::escape_record_text("x#result=up#\"");
  EXPECT_EQ(escaped, "x{35}result=up{35}{34}");
  EXPECT_EQ(
      utils::get_params_map(utils::params_list_to_string({{"resultstring", escaped}, {"k", "v"}})),
      (utils::ParamsMap{{"resultstring", escaped}, {"k", "v"}}));
}

// The scanner splits as the expression does wherever that does not give up;
// `gave_up` counts where it did.
void expect_same_pieces(const std::string& text, int& gave_up) {
  try {
    EXPECT_EQ(utils::split_record(text), testing_support::split_record_by_regex(text))
        << ::testing::PrintToString(text);
  } catch (const std::runtime_error&) {
    ++gave_up;
  }
}

TEST(Records, ScannerMatchesTheExpression) {
  int gave_up = 0;
  // Every text of up to six bytes over the bytes that matter.
  const std::string alphabet = "#\"\\\n\ra\f";
  for (std::size_t length = 0, count = 1; length <= 6; ++length, count *= alphabet.size()) {
    for (std::size_t n = 0; n < count; ++n) {
      std::string text;
      for (std::size_t rest = n; text.size() < length; rest /= alphabet.size()) {
        text += alphabet[rest % alphabet.size()];
      }
      expect_same_pieces(text, gave_up);
    }
  }
  testing_support::RecordGenerator generator(20240607);
  const std::pair<int, std::size_t> batches[] = {{150000, 24}, {20000, 160}, {1000, 700}, {100, 2048}};
  for (const auto& batch : batches) {
    for (int i = 0; i < batch.first; ++i) expect_same_pieces(generator.next(batch.second), gave_up);
  }
  EXPECT_EQ(gave_up, 0) << "the expression gave up: those texts went unproven";
}

// Where the expression runs out of matcher memory on a well-formed record,
// the scanner keeps to the rule.
TEST(Records, ScannerKeepsTheRuleWhereTheExpressionGivesUp) {
  std::string para = "\"";
  while (para.size() < 1800) para += "#k=\\\"v\\\"";
  para += "#\"";
  const std::string record = "#keycount=2#checkid=URL#para=" + para + "#";
  EXPECT_EQ(utils::split_record(record), (Pieces{"", "keycount=2", "checkid=URL", "para=" + para}));
  EXPECT_THROW(testing_support::split_record_by_regex(record), std::runtime_error);
  std::string unbalanced;
  while (unbalanced.size() < 2000) unbalanced += "#\"\"";
  unbalanced += "\"";
  EXPECT_EQ(utils::split_record(unbalanced), Pieces{unbalanced});
}

}  // namespace
