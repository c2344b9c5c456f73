#include "checks/check_base.h"

#include <algorithm>

namespace checks {

CheckBase::CheckBase() : CheckBase(utils::Env::standard()) {}

CheckBase::CheckBase(const utils::Env& check_env)
    : env(check_env),
      limit_(utils::RunLimit::Clock::now() + std::chrono::seconds(check_env.check_seconds())) {
  QLOG_TRACE(" > CheckBase::CheckBase");
  QLOG_TRACE(" < CheckBase::CheckBase");
}

CheckBase::~CheckBase() {
  QLOG_TRACE(" > CheckBase::~CheckBase");
  QLOG_TRACE(" < CheckBase::~CheckBase");
}

void CheckBase::declare(const std::vector<CheckParameter>& table, bool for_params,
                        const std::string& error_prefix) {
  if (!for_params) return;
  params = table;
  for (const CheckParameter& parameter : table) {
    if (!parameter.values.empty()) combo_values[parameter.name] = parameter.values;
    if (!parameter.host_values) continue;
    try {
      combo_values[parameter.name] = list_values(parameter);
    } catch (const std::exception& error) {
      QLOG_ERROR(error_prefix + error.what());
    }
  }
}

std::vector<std::string> CheckBase::list_values(const CheckParameter&) const { return {}; }

std::unique_ptr<utils::CommandOutput> CheckBase::run_command(const std::vector<std::string>& argv,
                                                             std::chrono::milliseconds bound) const {
  const std::chrono::milliseconds timeout = std::chrono::seconds(env.timeout_seconds());
  return env.run_command(argv, limit_.within(std::min(bound, timeout)));
}

bool CheckBase::selects(const std::string& selection, const std::string& text) {
  return selection == text || selection == utils::escape_record_text(text);
}

utils::ParamsList CheckBase::params_definition() const {
  QLOG_TRACE(" > CheckBase::get_params_definition");
  utils::ParamsList fields;
  int index = 1;
  for (const CheckParameter& param : params) {
    const std::string number = std::to_string(index++);
    fields.emplace_back("paramname" + number, param.name);
    fields.emplace_back("paramtype" + number, param.type);
    if (param.max_length > 0) {
      fields.emplace_back("maxlength" + number, std::to_string(param.max_length));
    }
    if (!param.default_value.empty()) fields.emplace_back("default" + number, param.default_value);
    const auto values = combo_values.find(param.name);
    if (values == combo_values.end() || values->second.empty()) continue;
    fields.emplace_back("valuecount", std::to_string(values->second.size()));
    int value_index = 1;
    for (const std::string& value : values->second) {
      fields.emplace_back("value" + std::to_string(value_index++), value);
    }
    fields.emplace_back("atbutton_paramcount", "1");
    fields.emplace_back("atbutton_param1", param.name);
  }
  QLOG_TRACE(" < CheckBase::get_params_definition");
  return fields;
}

std::string CheckBase::get_params_definition() const {
  return utils::escaped_record(params_definition());
}

}  // namespace checks
