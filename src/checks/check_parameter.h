// The definition of one parameter of a check, as the monitoring server
// shows it. A plain record.
#ifndef QUOR2_CHECKS_CHECK_PARAMETER_H_
#define QUOR2_CHECKS_CHECK_PARAMETER_H_

#include <string>

namespace checks {

struct CheckParameter {
  std::string name;           // also the key of the value in a run request
  std::string type;           // "text", "boolean", "longinteger", "listcombo", "listdrop"
  int max_length = 0;         // sent only when greater than 0
  std::string default_value;  // sent only when not empty
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_PARAMETER_H_
