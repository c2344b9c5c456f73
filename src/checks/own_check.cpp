#include "checks/own_check.h"

#include <algorithm>
#include <boost/algorithm/string/trim.hpp>

#include "checks/params_accessor.h"
#include "utils/command_pipe.h"

namespace checks {

namespace {

// The value a run puts in for `parameter`: the request's, else the default.
std::string value_of(const OwnCheckDefinition::Parameter& parameter,
                     const std::map<std::string, std::string>& params,
                     const std::string& error_prefix) {
  const std::string& name = parameter.shown.name;
  const std::string value =
      params.count(name) != 0 || parameter.shown.default_value.empty()
          ? params_accessor<std::string>::get_required_param(params, name, error_prefix)
          : parameter.shown.default_value;
  if (!parameter.accepts(value)) throw std::runtime_error("Invalid value for " + name);
  return value;
}

}  // namespace

OwnCheck::OwnCheck(std::shared_ptr<const OwnCheckDefinition> definition, Purpose purpose,
                   const utils::Env& env)
    : CheckBase(env),
      definition_(std::move(definition)),
      error_prefix_(definition_->id + " check Error: ") {
  QLOG_TRACE(" > OwnCheck::OwnCheck");
  QLOG_DEBUG("OwnCheck " + definition_->id +
             (purpose == Purpose::kRun ? " for check" : " for params"));
  std::vector<CheckParameter> table;
  for (const OwnCheckDefinition::Parameter& parameter : definition_->parameters) {
    table.push_back(parameter.shown);
    table.back().host_values = purpose == Purpose::kValues && !parameter.values_command.empty();
  }
  declare(table, purpose != Purpose::kRun, error_prefix_);
  QLOG_TRACE(" < OwnCheck::OwnCheck");
}

OwnCheck::~OwnCheck() {
  QLOG_TRACE(" > OwnCheck::~OwnCheck");
  QLOG_TRACE(" < OwnCheck::~OwnCheck");
}

std::string OwnCheck::get_description() { return definition_->description; }

CheckResult OwnCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > OwnCheck::execute");
  return guarded(" < OwnCheck::execute", true, [&] {
    std::vector<std::string> values;
    for (const OwnCheckDefinition::Parameter& parameter : definition_->parameters) {
      values.push_back(value_of(parameter, params, error_prefix_));
    }
    const std::vector<std::string> argv = definition_->command_line(values);
    QLOG_DEBUG("Executing " + utils::CommandPipe::command_line(argv));
    std::string first;
    bool seen = false;
    const utils::CommandStatus status = run(argv, [&](const std::string& line) {
      if (!seen) first = line.substr(0, line.find('|'));  // performance data stays out
      seen = true;
    });
    if (status.kind != utils::CommandStatus::kExited) {
      throw std::runtime_error(status.describe(argv.front()));
    }
    const std::string text = boost::algorithm::trim_copy(first);
    const std::string shown = text.empty() ? "exit status " + std::to_string(status.code) : text;
    if (status.code > 2) throw std::runtime_error(shown);
    QLOG_TRACE(" < OwnCheck::execute");
    return CheckResult::verdict(status.code == 0, shown);
  });
}

std::vector<std::string> OwnCheck::list_values(const CheckParameter& shown) const {
  const auto& parameters = definition_->parameters;
  const auto parameter =
      std::find_if(parameters.begin(), parameters.end(),
                   [&](const OwnCheckDefinition::Parameter& p) { return p.shown.name == shown.name; });
  std::vector<std::string> values = shown.values;
  if (parameter == parameters.end()) return values;
  const std::vector<std::string>& argv = parameter->values_command;
  QLOG_DEBUG("Executing " + utils::CommandPipe::command_line(argv));
  const utils::CommandStatus status = run(argv, [&](const std::string& line) {
    const std::string value = boost::algorithm::trim_copy(line);
    if (values.size() < max_values && !value.empty() && parameter->accepts(value)) {
      values.push_back(value);
    }
  });
  if (!status.succeeded()) throw std::runtime_error(status.describe(argv.front()));
  return values;
}

utils::CommandStatus OwnCheck::run(const std::vector<std::string>& argv,
                                   const std::function<void(const std::string&)>& take) const {
  const int seconds =
      definition_->timeout_seconds > 0 ? definition_->timeout_seconds : env.timeout_seconds();
  const std::unique_ptr<utils::CommandOutput> output =
      env.run_command(argv, run_limit().within(std::chrono::seconds(seconds)));
  std::string line;
  while (output->consumed() < max_output &&
         output->read_line(line, max_output - output->consumed() + 1)) {
    take(line);
  }
  output->close_output();
  return output->finish();
}

}  // namespace checks
