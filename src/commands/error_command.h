// The answer to a request that lacks keycount, sessionid or requestaction:
// the bare error text, without any record framing.
#ifndef QUOR2_COMMANDS_ERROR_COMMAND_H_
#define QUOR2_COMMANDS_ERROR_COMMAND_H_

#include "commands/command_base.h"

namespace commands {

class ErrorCommand : public CommandBase {
 public:
  explicit ErrorCommand(std::string message);
  ~ErrorCommand() override;

  std::string execute() override;

 private:
  const std::string message;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_ERROR_COMMAND_H_
