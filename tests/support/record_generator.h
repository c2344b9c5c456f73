// Seeded random records for differential tests and benchmarks: texts rich in
// the bytes the record parser treats specially ("#", quotes, backslashes,
// "=", line breaks) and in the unusual ones (NUL, FF, high bytes). The same
// seed gives the same texts. Owned and used by one thread.
#ifndef QUOR2_TESTS_SUPPORT_RECORD_GENERATOR_H_
#define QUOR2_TESTS_SUPPORT_RECORD_GENERATOR_H_

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace testing_support {

class RecordGenerator {
 public:
  explicit RecordGenerator(std::uint32_t seed) : random_(seed) {}

  // A text of up to `max_length` bytes, its length uniform in 0..max_length.
  std::string next(std::size_t max_length);

 private:
  std::mt19937 random_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_RECORD_GENERATOR_H_
