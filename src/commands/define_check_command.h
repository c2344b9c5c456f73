// The answer to "definecheck": the parameter definition record of a check.
// Also the base of GetComboCommand, which answers with the same record.
#ifndef QUOR2_COMMANDS_DEFINE_CHECK_COMMAND_H_
#define QUOR2_COMMANDS_DEFINE_CHECK_COMMAND_H_

#include <map>

#include "commands/command_base.h"

namespace commands {

class DefineCheckCommand : public CommandBase {
 public:
  DefineCheckCommand(const std::map<std::string, std::string>& request,
                     const checks::CheckFactory& factory);
  ~DefineCheckCommand() override;

  std::string execute() override;

 protected:
  // The response for `action`, with the Trace and Warn lines named after
  // `command_name`, of the check built for `purpose`.
  std::string describe(const std::string& action, const std::string& command_name,
                       checks::Purpose purpose);

  std::string check_id;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_DEFINE_CHECK_COMMAND_H_
