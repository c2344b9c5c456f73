// Reads a command's output line by line, the way fgets() reads a stream into
// a fixed buffer: a line longer than the buffer arrives in pieces. Text after
// a zero byte in a line is dropped, as C string handling of fgets() would.
// Owned and used by one thread.
#ifndef QUOR2_UTILS_LINE_READER_H_
#define QUOR2_UTILS_LINE_READER_H_

#include <cstddef>
#include <string>

namespace utils {

class LineReader {
 public:
  LineReader() = default;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  virtual ~LineReader() = default;

  // Lines longer than this arrive in pieces even when read whole.
  static constexpr std::size_t max_line_size = 1 << 20;

  // The next line, its line feed included, or its next buffer_size - 1
  // bytes when it is longer. False at the end of the output.
  bool read_line(std::string& line, std::size_t buffer_size);

  // The next line whole, its line feed included (up to max_line_size).
  bool read_line(std::string& line) { return read_line(line, max_line_size + 1); }

  // Reads and discards the rest of the output.
  void drain();

  // Bytes of output that read_line has handed out so far.
  std::size_t consumed() const { return consumed_; }

 protected:
  // Up to `size` further bytes of output into `out`; 0 at the end.
  virtual std::size_t read_some(char* out, std::size_t size) = 0;

  bool at_end() const { return end_; }

 private:
  bool fill();

  std::string pending_;
  std::size_t position_ = 0;
  std::size_t consumed_ = 0;
  bool end_ = false;
};

}  // namespace utils

#endif  // QUOR2_UTILS_LINE_READER_H_
