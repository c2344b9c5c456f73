#include "support/record_generator.h"

#include <array>

namespace testing_support {

namespace {

// Pieces drawn with equal weight; single bytes repeat to weigh more than the
// rarer pairs and the unusual bytes.
const std::array<std::string, 28> pieces = {"#",   "#",    "#",   "#",    "\"",
                                            "\"",  "\"",   "\\",  "\\",   "=",
                                            "=",   "\n",   "\r",  "a",    "b",
                                            "k",   "v",    " ",   "\r\n", "\\\"",
                                            "\"#", "#\"",  "=\"", "\\\\", std::string(1, '\0'),
                                            "\f",  "\x85", "\xff"};

}  // namespace

std::string RecordGenerator::next(std::size_t max_length) {
  const std::size_t length = std::uniform_int_distribution<std::size_t>(0, max_length)(random_);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string text;
  while (text.size() < length) text += pieces[pick(random_)];
  text.resize(length);
  return text;
}

}  // namespace testing_support
