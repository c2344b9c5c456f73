// A check's result in one line, for tables of expected outcomes: "UP: text",
// "DOWN: text" or "ERROR: message".
#ifndef QUOR2_TESTS_SUPPORT_CHECK_OUTCOME_H_
#define QUOR2_TESTS_SUPPORT_CHECK_OUTCOME_H_

#include <string>

#include "checks/check_result.h"

namespace testing_support {

inline std::string outcome(const checks::CheckResult& result) {
  if (!result.executed) return "ERROR: " + result.error_message;
  return (result.up ? "UP: " : "DOWN: ") + result.result_string;
}

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_CHECK_OUTCOME_H_
