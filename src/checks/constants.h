// The shared message texts of the checks and the eight comparison words of
// the protocol. Written during static initialisation, read-only afterwards.
#ifndef QUOR2_CHECKS_CONSTANTS_H_
#define QUOR2_CHECKS_CONSTANTS_H_

#include <string>

namespace constants {

extern const std::string param_missing_string;
extern const std::string no_param_error_string;

extern const std::string less_string;
extern const std::string less_or_equal_string;
extern const std::string equal_string;
extern const std::string not_equal_string;
extern const std::string greater_or_equal_string;
extern const std::string greater_string;
extern const std::string contains_string;
extern const std::string not_contains_string;

}  // namespace constants

#endif  // QUOR2_CHECKS_CONSTANTS_H_
