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
  QLOG_DEBUG("RunCheckCommand with checkid=" + logger::escape(check_id) +
             " and para=" + logger::escape(para));
  QLOG_TRACE(" < RunCheckCommand::RunCheckCommand/2");
}

RunCheckCommand::~RunCheckCommand() {
  QLOG_TRACE(" > RunCheckCommand::~RunCheckCommand");
  QLOG_TRACE(" < RunCheckCommand::~RunCheckCommand");
}

std::string RunCheckCommand::execute() {
  QLOG_TRACE(" > RunCheckCommand::execute");
  QLOG_DEBUG("Executing RunCheckCommand. checkid=" + logger::escape(check_id));
  const std::string head = "#responseaction=runcheck#sessionid=1#checkid=";
  if (check_id.empty()) {
    QLOG_WARN("RunCheckCommand::execute: empty check_id");
    QLOG_TRACE(" < RunCheckCommand::execute");
    return "#keycount=4" + head + "#errormessage=Check not found#";
  }
  const std::unique_ptr<checks::CheckBase> check = check_factory->get_check(check_id, false);
  const checks::CheckResult result = check->execute(utils::get_params_map(para));
  QLOG_TRACE(" < RunCheckCommand::execute");
  if (result.executed) {
    return "#keycount=5" + head + check_id + "#result=" + (result.up ? "up" : "down") +
           "#resultstring=" + result.result_string + "#";
  }
  return "#keycount=4" + head + check_id + "#errormessage=" + result.error_message + "#";
}

}  // namespace commands
