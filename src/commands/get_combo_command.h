// The answer to "getcomboparamvalues": the whole parameter definition record
// of a check, as for "definecheck", under its own response action. Only
// here do own checks run the commands that list their values.
#ifndef QUOR2_COMMANDS_GET_COMBO_COMMAND_H_
#define QUOR2_COMMANDS_GET_COMBO_COMMAND_H_

#include "commands/define_check_command.h"

namespace commands {

class GetComboCommand : public DefineCheckCommand {
 public:
  GetComboCommand(const std::map<std::string, std::string>& request,
                  const checks::CheckFactory& factory);
  ~GetComboCommand() override;

  std::string execute() override;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_GET_COMBO_COMMAND_H_
