// The answer to "listchecks": the offered checks with their descriptions.
#ifndef QUOR2_COMMANDS_LIST_CHECKS_COMMAND_H_
#define QUOR2_COMMANDS_LIST_CHECKS_COMMAND_H_

#include <map>

#include "commands/command_base.h"

namespace commands {

class ListChecksCommand : public CommandBase {
 public:
  ListChecksCommand(const std::map<std::string, std::string>& request,
                    const checks::CheckFactory& factory);
  ~ListChecksCommand() override;

  std::string execute() override;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_LIST_CHECKS_COMMAND_H_
