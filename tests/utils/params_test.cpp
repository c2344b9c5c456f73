#include "utils/params.h"

#include <gtest/gtest.h>

#include "parser/record_generator.h"
#include "parser/record_regex.h"

namespace {

using Pieces = std::vector<std::string>;

// Records as the scanner and the expression split them ("|" after each
// piece) and as they are read into keys and values.
TEST(Records, SplitAndRead) {
  const struct {
    std::string text, pieces;
    utils::ParamsMap map;
  } rows[] = {
      {"", "", {}},
      {"##", "||", {}},
      {"a=1#", "a=1|", {{"a", "1"}}},  // an empty last piece is dropped
      {"#=5#a=b=c#a=#junk#", "|=5|a=b=c|a=|junk|", {{"", "5"}, {"a", ""}}},
      {"#a=\"x#y\"#b=2#", "|a=\"x#y\"|b=2|", {{"a", "x#y"}, {"b", "2"}}},
      {"#a=\"#", "#a=\"|", {{"#a", ""}}},
      {"#a=1#b=\"x#c=3", "#a=1#b=\"x|c=3|", {{"#a", "1#b=\"x"}, {"c", "3"}}},
      {"#a=\\\"x#b", "|a=\\\"x|b|", {{"a", "\\\"x"}}},  // an escaped quote opens nothing
      {"#\"a\\\"#b", "#\"a\\\"|b|", {}},
      {"#\"\\\\\"#a\\#b", "|\"\\\\\"|a\\|b|", {}},  // an escaped "#" still separates
      // A line break outside quotes ends the count, one inside does not.
      {"#a\n\"#b\r\"#c\f\"#d", "|a\n\"|b\r\"|c\f\"|d|", {}},
      {"#a=1#b=2\r\n", "|a=1|b=2\r\n|", {{"a", "1"}, {"b", "2\r\n"}}},
      {"#\"x\n\"#\"#\r\n\"", "|\"x\n\"|\"|\r\n\"|", {}},
      {std::string("#a\0\"b\"#c\x85\"#\xff=\xfe", 14),  // NUL, NEL and high bytes are plain
       std::string("#a\0\"b\"#c\x85\"|\xff=\xfe|", 15),
       {{"\xff", "\xfe"}}},
      {"#checkid=CPU#para=\"#Load Limit [%]=80#\"#",
       "|checkid=CPU|para=\"#Load Limit [%]=80#\"|",
       {{"checkid", "CPU"}, {"para", "#Load Limit [%]=80#"}}},
  };
  for (const auto& c : rows) {
    std::string scanned, expressed;
    for (const std::string& piece : utils::split_record(c.text)) scanned += piece + "|";
    for (const std::string& piece : testing_support::split_record_by_regex(c.text)) {
      expressed += piece + "|";
    }
    EXPECT_EQ(scanned + " " + expressed, c.pieces + " " + c.pieces)
        << ::testing::PrintToString(c.text);
    EXPECT_EQ(utils::get_params_map(c.text), c.map) << ::testing::PrintToString(c.text);
  }
  // Every value written is escaped; a nested record stays one quoted field.
  EXPECT_EQ(utils::counted_record({{"a", "1"}, {"b", "x#\"y\r\x1b\x7f{\xff"}}, "p", {{"n", "#"}}),
            "#keycount=3#a=1#b=x{35}{34}y{13}{27}{127}{\xff#p=\"#n={35}#\"#");
  EXPECT_EQ(utils::escape_record_text(utils::escape_record_text("#\n")), "{35}{10}");
}

// The values of secret keys, nested ones too, as the log shows records.
TEST(Records, MaskSecrets) {
  const std::pair<std::string, std::string> rows[] = {
      {"#checkid=SNMP#para=\"#Host address=h#Community=c1#OID=1#\"#",
       "#checkid=SNMP#para=\"#Host address=h#Community=********#OID=1#\"#"},
      {"Host address=h#SNMP COMMUNITY=c=1", "Host address=h#SNMP COMMUNITY=********"},
      {"#para=\"PassWord=p\"#mysecret=\"a#b\"#x=secret#",
       "#para=\"PassWord=********\"#mysecret=\"********\"#x=secret#"},
  };
  for (const auto& [text, masked] : rows) EXPECT_EQ(utils::mask_secrets(text), masked);
}

// Every text of up to six bytes over the bytes that matter, and generated
// records: the scanner splits as the expression does wherever that does
// not give up.
TEST(Records, ScannerMatchesTheExpression) {
  const std::string alphabet = "#\"\\\n\ra\f";
  std::vector<std::string> texts;
  for (std::size_t length = 0, count = 1; length <= 6; ++length, count *= alphabet.size()) {
    for (std::size_t n = 0; n < count; ++n) {
      texts.emplace_back();
      for (std::size_t rest = n; texts.back().size() < length; rest /= alphabet.size()) {
        texts.back() += alphabet[rest % alphabet.size()];
      }
    }
  }
  testing_support::RecordGenerator generator(20240607);
  const std::pair<int, std::size_t> batches[] = {
      {150000, 24}, {20000, 160}, {1000, 700}, {100, 2048}};
  for (const auto& batch : batches) {
    for (int i = 0; i < batch.first; ++i) texts.push_back(generator.next(batch.second));
  }
  int gave_up = 0;
  for (const std::string& text : texts) {
    try {
      ASSERT_EQ(utils::split_record(text), testing_support::split_record_by_regex(text))
          << ::testing::PrintToString(text);
    } catch (const std::runtime_error&) {
      ++gave_up;
    }
  }
  EXPECT_EQ(gave_up, 0) << "texts the expression gave up on went unproven";
}

// Where the expression runs out of matcher memory on a well-formed record,
// the scanner keeps to the rule.
TEST(Records, ScannerKeepsTheRuleWhereTheExpressionGivesUp) {
  std::string para = "\"";
  while (para.size() < 1800) para += "#k=\\\"v\\\"";
  const std::string record = "#checkid=URL#para=" + para + "#\"#";
  EXPECT_EQ(utils::split_record(record), (Pieces{"", "checkid=URL", "para=" + para + "#\""}));
  EXPECT_THROW(testing_support::split_record_by_regex(record), std::runtime_error);
  std::string unbalanced;
  while (unbalanced.size() < 2000) unbalanced += "#\"\"";
  EXPECT_EQ(utils::split_record(unbalanced + "\""), Pieces{unbalanced + "\""});
}

}  // namespace
