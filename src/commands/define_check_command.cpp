#include "commands/define_check_command.h"

#include "utils/params.h"

namespace commands {

DefineCheckCommand::DefineCheckCommand(const std::map<std::string, std::string>& request,
                                       const checks::CheckFactory& factory)
    : CommandBase(factory) {
  QLOG_TRACE(" > DefineCheckCommand::DefineCheckCommand/2");
  const auto id = request.find("checkid");
  if (id != request.end()) check_id = id->second;
  QLOG_DEBUG("DefineCheckCommand with checkid=" + check_id);
  QLOG_TRACE(" < DefineCheckCommand::DefineCheckCommand/2");
}

DefineCheckCommand::~DefineCheckCommand() {
  QLOG_TRACE(" > DefineCheckCommand::~DefineCheckCommand");
  QLOG_TRACE(" < DefineCheckCommand::~DefineCheckCommand");
}

std::string DefineCheckCommand::execute() { return describe("definecheck", "DefineCheckCommand"); }

std::string DefineCheckCommand::describe(const std::string& action,
                                         const std::string& command_name) {
  QLOG_TRACE(" > " + command_name + "::execute");
  QLOG_DEBUG("Executing " + command_name + ". checkid=" + check_id);
  utils::ParamsList fields = {
      {"responseaction", action}, {"sessionid", "1"}, {"checkid", check_id}};
  if (check_id.empty()) {
    QLOG_WARN(command_name + "::execute: empty check_id");
    QLOG_TRACE(" < " + command_name + "::execute");
    fields.emplace_back("errormessage", "Check not found");
    return utils::counted_record(fields);
  }
  const std::unique_ptr<checks::CheckBase> check = check_factory->get_check(check_id, true);
  const utils::ParamsList definition = check->params_definition();
  QLOG_TRACE(" < " + command_name + "::execute");
  return utils::counted_record(fields, "parameters", definition);
}

}  // namespace commands
