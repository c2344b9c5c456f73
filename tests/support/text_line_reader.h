// A LineReader over canned text: the recorded output of a command.
#ifndef QUOR2_TESTS_SUPPORT_TEXT_LINE_READER_H_
#define QUOR2_TESTS_SUPPORT_TEXT_LINE_READER_H_

#include <algorithm>
#include <cstring>
#include <string>

#include "utils/line_reader.h"

namespace testing_support {

class TextLineReader : public utils::LineReader {
 public:
  // `chunk` bytes per read, to exercise lines split across reads.
  explicit TextLineReader(std::string text, std::size_t chunk = 4096)
      : text_(std::move(text)), chunk_(chunk) {}

 protected:
  std::size_t read_some(char* out, std::size_t size) override {
    const std::size_t n = std::min({size, chunk_, text_.size() - offset_});
    std::memcpy(out, text_.data() + offset_, n);
    offset_ += n;
    return n;
  }

 private:
  const std::string text_;
  const std::size_t chunk_;
  std::size_t offset_ = 0;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_TEXT_LINE_READER_H_
