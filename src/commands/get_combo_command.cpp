#include "commands/get_combo_command.h"

namespace commands {

GetComboCommand::GetComboCommand(const std::map<std::string, std::string>& request,
                                 const checks::CheckFactory& factory)
    : DefineCheckCommand(request, factory) {
  QLOG_TRACE(" > GetComboCommand::GetComboCommand/2");
  QLOG_DEBUG("GetComboCommand with checkid=" + check_id);
  QLOG_TRACE(" < GetComboCommand::GetComboCommand/2");
}

GetComboCommand::~GetComboCommand() {
  QLOG_TRACE(" > GetComboCommand::~GetComboCommand");
  QLOG_TRACE(" < GetComboCommand::~GetComboCommand");
}

std::string GetComboCommand::execute() {
  return describe("getcomboparamvalues", "GetComboCommand");
}

}  // namespace commands
