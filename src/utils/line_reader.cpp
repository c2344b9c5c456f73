#include "utils/line_reader.h"

namespace utils {

bool LineReader::fill() {
  if (end_) return false;
  char chunk[4096];
  const std::size_t got = read_some(chunk, sizeof(chunk));
  if (got == 0) {
    end_ = true;
    return false;
  }
  pending_.erase(0, position_);
  position_ = 0;
  pending_.append(chunk, got);
  return true;
}

bool LineReader::read_line(std::string& line, std::size_t buffer_size) {
  line.clear();
  if (buffer_size < 2) return false;
  const std::size_t limit = buffer_size - 1;
  for (;;) {
    const std::size_t available = pending_.size() - position_;
    const std::size_t newline = pending_.find('\n', position_);
    std::size_t take = 0;
    if (newline != std::string::npos && newline - position_ + 1 <= limit) {
      take = newline - position_ + 1;
    } else if (available >= limit) {
      take = limit;
    } else if (!fill()) {
      take = available;  // the last, unterminated line
      if (take == 0) return false;
    }
    if (take > 0) {
      line.assign(pending_, position_, take);
      position_ += take;
      consumed_ += take;
      const std::size_t zero = line.find('\0');
      if (zero != std::string::npos) line.resize(zero);
      return true;
    }
  }
}

void LineReader::drain() {
  position_ = pending_.size();
  while (fill()) position_ = pending_.size();
}

}  // namespace utils
