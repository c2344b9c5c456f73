#include "support/record_regex.h"

#include <boost/regex.hpp>

#include "utils/text.h"

namespace testing_support {

std::vector<std::string> split_record_by_regex(const std::string& text) {
  static const boost::regex separator(
      "#(?=([^\"\\\\]*(\\\\.|\"([^\"\\\\]*\\\\.)*[^\"\\\\]*\"))*[^\"]*$)");
  return utils::split(text, separator);
}

}  // namespace testing_support
