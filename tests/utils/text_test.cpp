#include "utils/text.h"

#include <gtest/gtest.h>

#include <boost/regex.hpp>

#include "support/fake_env.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(Text, SplitTrimToStringPathCombine) {
  const boost::regex comma("\\s*,\\s*");
  EXPECT_EQ(utils::split("", comma), Pieces{});
  EXPECT_EQ(utils::split("CPU , RAM,Swap", comma), (Pieces{"CPU", "RAM", "Swap"}));
  EXPECT_EQ(utils::split(",CPU,,RAM,", comma), (Pieces{"", "CPU", "", "RAM"}));
  EXPECT_EQ(utils::split(" ", boost::regex("\\s+")), (Pieces{""}));
  // Blanks only in front, all whitespace at the back, unless nothing else is left.
  const std::pair<const char*, const char*> trims[] = {
      {"  a b \t\r\n", "a b"}, {"\ta", "\ta"}, {"   ", "   "}, {" \r\n", "\r\n"}, {"", ""}};
  for (const auto& c : trims) EXPECT_EQ(utils::trim(c.first), c.second) << c.first;
  EXPECT_EQ(utils::to_string(12.3456, 2), "12.35");
  EXPECT_EQ(utils::to_string(7.6, 0), "8");
  EXPECT_EQ(utils::to_string(1e7, 1), "10000000.0");
  EXPECT_EQ(utils::path_combine("", "key"), "/key");
  EXPECT_EQ(utils::path_combine("/etc/quor2", "key"), "/etc/quor2/key");
  EXPECT_EQ(utils::path_combine("/etc/quor2/", "key"), "/etc/quor2/key");
}

// Lines as fgets() reads them into a buffer of `buffer` bytes, "|" after
// each, whatever the size of the reads underneath.
TEST(LineReader, ReadsLikeFgets) {
  const struct {
    std::string text;
    std::size_t buffer;
    const char* lines;
  } rows[] = {
      {"a\nbb\n", 255, "a\n|bb\n|"},
      {"a\nlast", 255, "a\n|last|"},
      {"", 255, ""},
      {"abcdefg\n", 4, "abc|def|g\n|"},  // pieces of buffer - 1 bytes
      {"abc\n", 4, "abc|\n|"},
      {"ab\n\n", 4, "ab\n|\n|"},
      {std::string("ab\0cd\nx\n", 8), 255, "ab|x\n|"},  // cut at a zero byte
  };
  for (const std::size_t chunk : {1u, 3u, 4096u}) {
    for (const auto& c : rows) {
      testing_support::TextLineReader reader(c.text, chunk);
      std::string lines;
      for (std::string line; reader.read_line(line, c.buffer);) lines += line + "|";
      EXPECT_EQ(lines, c.lines) << c.text << " in reads of " << chunk;
    }
  }
  testing_support::TextLineReader reader("1\n2\n3\n", 1);
  std::string line;
  ASSERT_TRUE(reader.read_line(line, 255));
  reader.drain();
  EXPECT_FALSE(reader.read_line(line, 255));
}

}  // namespace
