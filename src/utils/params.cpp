#include "utils/params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace utils {

namespace {

// Where a left-to-right reading of quotes stands: outside or inside a quoted
// string, each either right after an escaping backslash or not.
enum QuoteState { kOut, kOutEscaped, kIn, kInEscaped, kQuoteStates };

QuoteState next_state(QuoteState state, char c) {
  switch (state) {
    case kOutEscaped:
      return kOut;
    case kInEscaped:
      return kIn;
    case kOut:
      return c == '"' ? kIn : c == '\\' ? kOutEscaped : kOut;
    default:
      return c == '"' ? kOut : c == '\\' ? kInEscaped : kIn;
  }
}

// Where the quote count may stop: a line break. (The LF of a CRLF needs no
// exception; the CR before it stops the count in the same state.)
bool is_line_break(char c) { return c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

std::vector<std::string> split_record(const std::string& text) {
  // Read from the end: balanced[s] tells whether a reading that starts in
  // state s at the current position reaches a line end outside quotes. A "#"
  // separates when the reading that starts outside right after it does.
  std::vector<bool> separates(text.size(), false);
  std::array<bool, kQuoteStates> balanced = {true, true, false, false};
  for (std::size_t position = text.size(); position-- > 0;) {
    const char c = text[position];
    if (c == '#') separates[position] = balanced[kOut];
    std::array<bool, kQuoteStates> here;
    for (int state = 0; state < kQuoteStates; ++state) {
      here[state] = balanced[next_state(static_cast<QuoteState>(state), c)];
    }
    if (is_line_break(c)) here[kOut] = here[kOutEscaped] = true;
    balanced = here;
  }

  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t position = 0; position < text.size(); ++position) {
    if (!separates[position]) continue;
    pieces.emplace_back(text, start, position - start);
    start = position + 1;
  }
  if (start < text.size()) pieces.emplace_back(text, start);
  return pieces;
}

ParamsMap get_params_map(const std::string& text) {
  ParamsMap map;
  for (const std::string& piece : split_record(text)) {
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

std::string escaped_record(const ParamsList& list) {
  ParamsList escaped;
  escaped.reserve(list.size());
  for (const auto& pair : list) escaped.emplace_back(pair.first, escape_record_text(pair.second));
  return params_list_to_string(escaped);
}

std::string counted_record(const ParamsList& fields) {
  return "#keycount=" + std::to_string(fields.size()) + escaped_record(fields);
}

std::string counted_record(const ParamsList& fields, const std::string& nested_key,
                           const ParamsList& nested) {
  return "#keycount=" + std::to_string(fields.size() + 1) + escaped_record(fields) + nested_key +
         "=\"" + escaped_record(nested) + "\"#";
}

std::string escape_record_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '#' || c == '"' || byte < 0x20 || byte == 0x7f) {
      out += '{' + std::to_string(byte) + '}';
    } else {
      out += c;
    }
  }
  return out;
}

const char* const hidden_value = "********";

namespace {

bool is_secret(std::string key) {
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : {"community", "password", "secret"}) {
    if (key.find(word) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

std::string mask_secrets(const std::string& text) {
  std::string out;
  std::string::size_type at = 0;  // where a field starts: after "#" or a double quote
  while (at < text.size()) {
    const std::string::size_type stop = text.find_first_of("#\"=", at);
    if (stop == std::string::npos || text[stop] != '=' || !is_secret(text.substr(at, stop - at))) {
      const std::string::size_type next = text.find_first_of("#\"", stop);
      const std::string::size_type end = next == std::string::npos ? text.size() : next + 1;
      out.append(text, at, end - at);
      at = end;
      continue;
    }
    out.append(text, at, stop + 1 - at);
    at = stop + 1;
    if (at < text.size() && text[at] == '"') {  // a quoted value, "#" and all
      const std::string::size_type close = text.find('"', at + 1);
      out += '"' + std::string(hidden_value) + (close == std::string::npos ? "" : "\"");
      at = close == std::string::npos ? text.size() : close + 1;
      continue;
    }
    const std::string::size_type end = std::min(text.find('#', at), text.size());
    out += hidden_value;
    // The quote that closes a nested record is not the value's.
    if (end > at && text[end - 1] == '"') out += '"';
    at = end;
  }
  return out;
}

}  // namespace utils
