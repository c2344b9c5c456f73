#include "utils/params.h"

#include <boost/regex.hpp>

#include "utils/text.h"

namespace utils {

ParamsMap get_params_map(const std::string& text) {
  // A "#" separates only when an even number of unescaped quotes follows it.
  static const boost::regex separator(
      "#(?=([^\"\\\\]*(\\\\.|\"([^\"\\\\]*\\\\.)*[^\"\\\\]*\"))*[^\"]*$)");
  ParamsMap map;
  for (const std::string& piece : split(text, separator)) {
    const std::string::size_type equals = piece.find('=');
    if (equals == std::string::npos) continue;
    std::string value = piece.substr(equals + 1);
    if (!value.empty() && value.front() == '"' && value.back() == '"') {
      value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
    }
    map[piece.substr(0, equals)] = value;
  }
  return map;
}

std::string params_list_to_string(const ParamsList& list) {
  std::string text = "#";
  for (const auto& pair : list) {
    text += pair.first;
    text += '=';
    text += pair.second;
    text += '#';
  }
  return text;
}

std::string escape_record_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '#') {
      out += "{35}";
    } else if (c == '"') {
      out += "{34}";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace utils
