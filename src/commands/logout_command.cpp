#include "commands/logout_command.h"

namespace commands {

LogoutCommand::LogoutCommand(const checks::CheckFactory& factory) : CommandBase(factory) {
  QLOG_TRACE(" > LogoutCommand::LogoutCommand/1");
  QLOG_DEBUG("LogoutCommand");
  QLOG_TRACE(" < LogoutCommand::LogoutCommand/1");
}

LogoutCommand::~LogoutCommand() {
  QLOG_TRACE(" > LogoutCommand::~LogoutCommand");
  QLOG_TRACE(" < LogoutCommand::~LogoutCommand");
}

std::string LogoutCommand::execute() {
  QLOG_TRACE(" > LogoutCommand::execute");
  QLOG_DEBUG("Executing LogoutCommand.");
  QLOG_TRACE(" < LogoutCommand::execute");
  return "";
}

}  // namespace commands
