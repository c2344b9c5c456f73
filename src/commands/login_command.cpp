#include "commands/login_command.h"

#include "utils/params.h"

namespace commands {

LoginCommand::LoginCommand(const checks::CheckFactory& factory) : CommandBase(factory) {
  QLOG_TRACE(" > LoginCommand::LoginCommand/1");
  QLOG_DEBUG("LoginCommand");
  QLOG_TRACE(" < LoginCommand::LoginCommand/1");
}

LoginCommand::~LoginCommand() {
  QLOG_TRACE(" > LoginCommand::~LoginCommand");
  QLOG_TRACE(" < LoginCommand::~LoginCommand");
}

std::string LoginCommand::execute() {
  QLOG_TRACE(" > LoginCommand::execute");
  QLOG_DEBUG("Executing LoginCommand.");
  QLOG_TRACE(" < LoginCommand::execute");
  return utils::counted_record(
      {{"responseaction", "login"}, {"sessionid", "1"}, {"registrationlevel", "standard"}});
}

}  // namespace commands
