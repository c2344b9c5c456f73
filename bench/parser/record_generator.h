// Seeded random records for differential tests and benchmarks: texts rich in
// the bytes the record parser treats specially ("#", quotes, backslashes,
// "=", line breaks) and in the unusual ones (NUL, FF, high bytes). The same
// seed gives the same texts. Owned and used by one thread.
#ifndef QUOR2_BENCH_PARSER_RECORD_GENERATOR_H_
#define QUOR2_BENCH_PARSER_RECORD_GENERATOR_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace testing_support {

class RecordGenerator {
 public:
  explicit RecordGenerator(std::uint32_t seed) : random_(seed) {}

  // A text of up to `max_length` bytes, its length uniform in 0..max_length.
  std::string next(std::size_t max_length) {
    // Drawn with equal weight; single bytes repeat to weigh more than the
    // rarer pairs and the unusual bytes.
    static const std::array<std::string, 28> pieces = {
        "#",   "#",    "#",   "#",    "\"",
        "\"",  "\"",   "\\",  "\\",   "=",
        "=",   "\n",   "\r",  "a",    "b",
        "k",   "v",    " ",   "\r\n", "\\\"",
        "\"#", "#\"",  "=\"", "\\\\", std::string(1, '\0'),
        "\f",  "\x85", "\xff"};
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, max_length)(random_);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    while (text.size() < length) text += pieces[pick(random_)];
    text.resize(length);
    return text;
  }

 private:
  std::mt19937 random_;
};

}  // namespace testing_support

#endif  // QUOR2_BENCH_PARSER_RECORD_GENERATOR_H_
