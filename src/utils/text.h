// Small text helpers whose exact rules the record codec and the parsers of
// command output depend on. Stateless free functions.
#ifndef QUOR2_UTILS_TEXT_H_
#define QUOR2_UTILS_TEXT_H_

#include <boost/regex_fwd.hpp>
#include <string>
#include <vector>

namespace utils {

// The pieces of `text` between matches of `separator`. An empty text gives
// no piece; a leading match gives an empty first piece; the piece after the
// last match is kept only when it is not empty.
std::vector<std::string> split(const std::string& text, const boost::regex& separator);

// Removes blanks (spaces only) at the front, and CR, LF, blanks and tabs at
// the end. A text made only of such characters keeps its end.
std::string trim(const std::string& text);

// Fixed-point text with exactly `precision` decimals.
std::string to_string(double value, int precision);

// `first` + "/" + `second`, without doubling a trailing slash of `first`.
std::string path_combine(const std::string& first, const std::string& second);

}  // namespace utils

#endif  // QUOR2_UTILS_TEXT_H_
