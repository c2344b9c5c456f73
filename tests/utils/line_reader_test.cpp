#include "utils/line_reader.h"

#include <gtest/gtest.h>

#include "support/text_line_reader.h"

namespace {

using testing_support::TextLineReader;

std::vector<std::string> all_lines(const std::string& text, std::size_t buffer, std::size_t chunk) {
  TextLineReader reader(text, chunk);
  std::vector<std::string> lines;
  std::string line;
  while (reader.read_line(line, buffer)) lines.push_back(line);
  return lines;
}

TEST(LineReader, ReadsLikeFgets) {
  for (const std::size_t chunk : {1u, 3u, 4096u}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(all_lines("a\nbb\n", 255, chunk), (std::vector<std::string>{"a\n", "bb\n"}));
    EXPECT_EQ(all_lines("a\nlast", 255, chunk), (std::vector<std::string>{"a\n", "last"}));
    EXPECT_EQ(all_lines("", 255, chunk), std::vector<std::string>{});
    // A line longer than the buffer arrives in pieces of buffer - 1 bytes.
    EXPECT_EQ(all_lines("abcdefg\n", 4, chunk), (std::vector<std::string>{"abc", "def", "g\n"}));
    EXPECT_EQ(all_lines("abc\n", 4, chunk), (std::vector<std::string>{"abc", "\n"}));
    EXPECT_EQ(all_lines("ab\n\n", 4, chunk), (std::vector<std::string>{"ab\n", "\n"}));
  }
}

TEST(LineReader, CutsLineAtZeroByte) {
  EXPECT_EQ(all_lines(std::string("ab\0cd\nx\n", 8), 255, 4096),
            (std::vector<std::string>{"ab", "x\n"}));
}

TEST(LineReader, DrainDiscardsTheRest) {
  TextLineReader reader("1\n2\n3\n", 1);
  std::string line;
  ASSERT_TRUE(reader.read_line(line, 255));
  reader.drain();
  EXPECT_FALSE(reader.read_line(line, 255));
}

}  // namespace
