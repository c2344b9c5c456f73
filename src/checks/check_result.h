// The outcome of one check run. A plain record: either a verdict (executed,
// up or down, a text) or a failure (not executed, an error message).
#ifndef QUOR2_CHECKS_CHECK_RESULT_H_
#define QUOR2_CHECKS_CHECK_RESULT_H_

#include <string>

namespace checks {

struct CheckResult {
  bool executed = false;
  bool up = false;
  std::string result_string;  // empty unless executed
  std::string error_message;  // empty when executed

  static CheckResult verdict(bool up, const std::string& text) { return {true, up, text, ""}; }
  static CheckResult failure(const std::string& message) { return {false, false, "", message}; }
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_RESULT_H_
