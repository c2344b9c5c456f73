#include "checks/check_base.h"

#include <sstream>

namespace checks {

CheckBase::CheckBase() : CheckBase(utils::Env::standard()) {}

CheckBase::CheckBase(const utils::Env& check_env) : env(check_env) {
  QLOG_TRACE(" > CheckBase::CheckBase");
  QLOG_TRACE(" < CheckBase::CheckBase");
}

CheckBase::~CheckBase() {
  QLOG_TRACE(" > CheckBase::~CheckBase");
  QLOG_TRACE(" < CheckBase::~CheckBase");
}

std::string CheckBase::get_params_definition() {
  QLOG_TRACE(" > CheckBase::get_params_definition");
  std::ostringstream out;
  out << "#";
  int index = 1;
  for (const CheckParameter& param : params) {
    out << "paramname" << index << "=" << param.name << "#";
    out << "paramtype" << index << "=" << param.type << "#";
    if (param.max_length > 0) out << "maxlength" << index << "=" << param.max_length << "#";
    if (!param.default_value.empty())
      out << "default" << index << "=" << param.default_value << "#";
    const auto values = combo_values.find(param.name);
    if (values != combo_values.end() && !values->second.empty()) {
      out << "valuecount=" << values->second.size() << "#";
      int value_index = 1;
      for (const std::string& value : values->second)
        out << "value" << value_index++ << "=" << value << "#";
      out << "atbutton_paramcount=1#";
      out << "atbutton_param1=" << param.name << "#";
    }
    ++index;
  }
  QLOG_TRACE(" < CheckBase::get_params_definition");
  return out.str();
}

}  // namespace checks
