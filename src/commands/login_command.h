// The greeting sent as soon as a session's shell is ready.
#ifndef QUOR2_COMMANDS_LOGIN_COMMAND_H_
#define QUOR2_COMMANDS_LOGIN_COMMAND_H_

#include "commands/command_base.h"

namespace commands {

class LoginCommand : public CommandBase {
 public:
  explicit LoginCommand(const checks::CheckFactory& factory);
  ~LoginCommand() override;

  std::string execute() override;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_LOGIN_COMMAND_H_
