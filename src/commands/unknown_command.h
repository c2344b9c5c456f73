// The answer to an action that is not registered:
// "Command <action> not implemented" and a line feed.
#ifndef QUOR2_COMMANDS_UNKNOWN_COMMAND_H_
#define QUOR2_COMMANDS_UNKNOWN_COMMAND_H_

#include "commands/command_base.h"

namespace commands {

class UnknownCommand : public CommandBase {
 public:
  explicit UnknownCommand(std::string action);
  ~UnknownCommand() override;

  std::string execute() override;

 private:
  const std::string action;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_UNKNOWN_COMMAND_H_
