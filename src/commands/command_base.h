// The abstract base of all commands: one request turned into an object
// whose execute() renders the response record. Built for one request by
// the commands factory, executed once by the session thread that owns it,
// then destroyed. An empty response means that nothing is sent.
#ifndef QUOR2_COMMANDS_COMMAND_BASE_H_
#define QUOR2_COMMANDS_COMMAND_BASE_H_

#include <string>

#include "checks/check_factory.h"

namespace commands {

class CommandBase {
 public:
  explicit CommandBase(const checks::CheckFactory& factory);
  CommandBase();
  CommandBase(const CommandBase&) = delete;
  CommandBase& operator=(const CommandBase&) = delete;
  virtual ~CommandBase();

  virtual std::string execute() = 0;

  // The connected socket of the client that sent the request: a check run
  // for it stops once the client has gone.
  void set_connection(int connection_fd) { connection_fd_ = connection_fd; }

 protected:
  int connection_fd() const { return connection_fd_; }

  // Not owned; null for the commands that never consult checks.
  const checks::CheckFactory* const check_factory;

 private:
  int connection_fd_ = -1;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_COMMAND_BASE_H_
