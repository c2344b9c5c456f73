#include "utils/text.h"

#include <boost/regex.hpp>
#include <iomanip>
#include <sstream>

namespace utils {

std::vector<std::string> split(const std::string& text, const boost::regex& separator) {
  std::vector<std::string> pieces;
  boost::sregex_token_iterator it(text.begin(), text.end(), separator, -1);
  for (const boost::sregex_token_iterator end; it != end; ++it) pieces.push_back(it->str());
  return pieces;
}

std::string trim(const std::string& text) {
  std::string::size_type start = text.find_first_not_of(' ');
  if (start == std::string::npos) start = 0;
  const std::string::size_type end = text.find_last_not_of("\r\n \t");
  if (end == std::string::npos || end < start) return text.substr(start);
  return text.substr(start, end - start + 1);
}

std::string to_string(double value, int precision) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(precision) << value;
  return out.str();
}

std::string path_combine(const std::string& first, const std::string& second) {
  if (!first.empty() && first.back() == '/') return first + second;
  return first + "/" + second;
}

}  // namespace utils
