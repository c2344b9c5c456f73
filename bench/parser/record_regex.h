// The regular expression that used to split records, kept as the reference
// that utils::split_record is proven against: a "#" followed, up to the end
// of the text or a line break, by complete double-quoted strings only.
// Compiled with the default flags of Boost.Regex. Any thread may call.
#ifndef QUOR2_BENCH_PARSER_RECORD_REGEX_H_
#define QUOR2_BENCH_PARSER_RECORD_REGEX_H_

#include <boost/regex.hpp>
#include <string>
#include <vector>

#include "utils/text.h"

namespace testing_support {

// utils::split of `text` at the expression. Throws std::runtime_error when
// the matcher gives up (its complexity or memory limit on hostile text).
inline std::vector<std::string> split_record_by_regex(const std::string& text) {
  static const boost::regex separator(
      "#(?=([^\"\\\\]*(\\\\.|\"([^\"\\\\]*\\\\.)*[^\"\\\\]*\"))*[^\"]*$)");
  return utils::split(text, separator);
}

}  // namespace testing_support

#endif  // QUOR2_BENCH_PARSER_RECORD_REGEX_H_
