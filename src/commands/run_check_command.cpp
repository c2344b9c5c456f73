#include "commands/run_check_command.h"

#include "utils/params.h"

namespace commands {

RunCheckCommand::RunCheckCommand(const std::map<std::string, std::string>& request,
                                 const checks::CheckFactory& factory)
    : CommandBase(factory) {
  QLOG_TRACE(" > RunCheckCommand::RunCheckCommand/2");
  const auto id = request.find("checkid");
  if (id != request.end()) check_id = id->second;
  const auto value = request.find("para");
  // An empty or one-character para carries no parameter.
  if (value != request.end() && value->second.size() >= 2) {
    para = value->second.substr(1, value->second.size() - 2);
  }
  QLOG_DEBUG("RunCheckCommand with checkid=" + check_id + " and para=" + utils::mask_secrets(para));
  QLOG_TRACE(" < RunCheckCommand::RunCheckCommand/2");
}

RunCheckCommand::~RunCheckCommand() {
  QLOG_TRACE(" > RunCheckCommand::~RunCheckCommand");
  QLOG_TRACE(" < RunCheckCommand::~RunCheckCommand");
}

std::string RunCheckCommand::execute() {
  QLOG_TRACE(" > RunCheckCommand::execute");
  QLOG_DEBUG("Executing RunCheckCommand. checkid=" + check_id);
  utils::ParamsList fields = {
      {"responseaction", "runcheck"}, {"sessionid", "1"}, {"checkid", check_id}};
  if (check_id.empty()) {
    QLOG_WARN("RunCheckCommand::execute: empty check_id");
    QLOG_TRACE(" < RunCheckCommand::execute");
    fields.emplace_back("errormessage", "Check not found");
    return utils::counted_record(fields);
  }
  const std::unique_ptr<checks::CheckBase> check = check_factory->get_check(check_id, false);
  check->watch_connection(connection_fd());
  const checks::CheckResult result = check->execute(utils::get_params_map(para));
  QLOG_TRACE(" < RunCheckCommand::execute");
  if (result.executed) {
    fields.emplace_back("result", result.up ? "up" : "down");
    fields.emplace_back("resultstring", result.result_string);
  } else {
    fields.emplace_back("errormessage", result.error_message);
  }
  return utils::counted_record(fields);
}

}  // namespace commands
