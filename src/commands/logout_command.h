// The answer to "logout": nothing at all. The session stays open until the
// client closes its channel.
#ifndef QUOR2_COMMANDS_LOGOUT_COMMAND_H_
#define QUOR2_COMMANDS_LOGOUT_COMMAND_H_

#include "commands/command_base.h"

namespace commands {

class LogoutCommand : public CommandBase {
 public:
  explicit LogoutCommand(const checks::CheckFactory& factory);
  ~LogoutCommand() override;

  std::string execute() override;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_LOGOUT_COMMAND_H_
