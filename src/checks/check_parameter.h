// The definition of one parameter of a check, as the monitoring server
// shows it, and where its selectable values come from. A plain record; each
// check declares its parameters once, in one table that both its definition
// record and its run read.
#ifndef QUOR2_CHECKS_CHECK_PARAMETER_H_
#define QUOR2_CHECKS_CHECK_PARAMETER_H_

#include <string>
#include <utility>
#include <vector>

namespace checks {

struct CheckParameter {
  // Where the selectable values come from.
  enum Values { kFixedValues, kHostValues };

  CheckParameter(std::string parameter_name, std::string parameter_type, int maximum_length = 0,
                 std::string default_text = "", std::vector<std::string> fixed_values = {},
                 Values source = kFixedValues)
      : name(std::move(parameter_name)),
        type(std::move(parameter_type)),
        max_length(maximum_length),
        default_value(std::move(default_text)),
        values(std::move(fixed_values)),
        host_values(source == kHostValues) {}

  std::string name;                 // also the key of the value in a run request
  std::string type;                 // "text", "boolean", "longinteger", "listcombo", "listdrop"
  int max_length;                   // sent only when greater than 0
  std::string default_value;        // sent only when not empty
  std::vector<std::string> values;  // fixed selectable values
  bool host_values;                 // values the check gathers from the host (list_values)
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_PARAMETER_H_
