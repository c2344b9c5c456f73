// The fuzz input as the output of a system command, the way the output
// parsers of the checks read it: through a LineReader, in reads of 1 to 64
// bytes (varied with the input's length) so that lines arrive in pieces.
#ifndef QUOR2_TESTS_FUZZ_COMMAND_OUTPUT_H_
#define QUOR2_TESTS_FUZZ_COMMAND_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "support/text_line_reader.h"

namespace fuzz {

inline std::unique_ptr<utils::LineReader> command_output(const std::uint8_t* data,
                                                         std::size_t size) {
  return std::make_unique<testing_support::TextLineReader>(
      std::string(reinterpret_cast<const char*>(data), size), 1 + size % 64);
}

}  // namespace fuzz

#endif  // QUOR2_TESTS_FUZZ_COMMAND_OUTPUT_H_
