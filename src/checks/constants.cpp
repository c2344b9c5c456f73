#include "checks/constants.h"

namespace constants {

const std::string param_missing_string = " parameter missing.";
const std::string no_param_error_string = "Required parameter expected";

const std::string less_string = "is < than";
const std::string less_or_equal_string = "is <= than";
const std::string equal_string = "is = to";
const std::string not_equal_string = "is <> to";
const std::string greater_or_equal_string = "is >= than";
const std::string greater_string = "is > than";
const std::string contains_string = "contains";
const std::string not_contains_string = "doesn't contain";

}  // namespace constants
