// Typed access to the required parameters of a check run. Stateless.
//
// A missing parameter is logged at Error as <prefix><name> parameter
// missing. and thrown as std::runtime_error "Required parameter expected".
// The int form converts as std::stoi does (leading blanks and a sign taken,
// trailing text ignored) and throws its std::invalid_argument or
// std::out_of_range.
#ifndef QUOR2_CHECKS_PARAMS_ACCESSOR_H_
#define QUOR2_CHECKS_PARAMS_ACCESSOR_H_

#include <map>
#include <stdexcept>
#include <string>

#include "checks/constants.h"
#include "logger/logger.h"

namespace checks {

template <class T>
class params_accessor {
 public:
  static T get_required_param(const std::map<std::string, std::string>& params,
                              const std::string& name, const std::string& error_prefix) {
    return convert(lookup(params, name, error_prefix));
  }

 private:
  static const std::string& lookup(const std::map<std::string, std::string>& params,
                                   const std::string& name, const std::string& error_prefix) {
    const auto it = params.find(name);
    if (it == params.end()) {
      QLOG_ERROR(error_prefix + name + constants::param_missing_string);
      throw std::runtime_error(constants::no_param_error_string);
    }
    return it->second;
  }

  static T convert(const std::string& value);
};

template <>
inline std::string params_accessor<std::string>::convert(const std::string& value) {
  return value;
}

template <>
inline int params_accessor<int>::convert(const std::string& value) {
  return std::stoi(value);
}

}  // namespace checks

#endif  // QUOR2_CHECKS_PARAMS_ACCESSOR_H_
