// The answer to "runcheck": runs one check with the parameters of the quoted
// para record and renders its verdict or its error message.
#ifndef QUOR2_COMMANDS_RUN_CHECK_COMMAND_H_
#define QUOR2_COMMANDS_RUN_CHECK_COMMAND_H_

#include <map>

#include "commands/command_base.h"

namespace commands {

class RunCheckCommand : public CommandBase {
 public:
  RunCheckCommand(const std::map<std::string, std::string>& request,
                  const checks::CheckFactory& factory);
  ~RunCheckCommand() override;

  std::string execute() override;

 private:
  std::string check_id;
  std::string para;  // the para value without its first and last character
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_RUN_CHECK_COMMAND_H_
