// Turns one request record into the command that answers it.
//
// Owns the check factory and the table from requestaction to command class.
// Both are complete when the constructor returns and only read afterwards,
// so every session thread uses the one factory at once without a lock.
// Missing protocol keys and unknown actions are answered by the returned
// command, never by an exception of the factory itself.
#ifndef QUOR2_COMMANDS_COMMANDS_FACTORY_H_
#define QUOR2_COMMANDS_COMMANDS_FACTORY_H_

#include <map>
#include <memory>
#include <string>

#include "checks/check_factory.h"
#include "commands/command_base.h"
#include "settings/settings.h"

namespace commands {

class CommandsFactory {
 public:
  using creator = std::unique_ptr<CommandBase> (*)(
      const std::map<std::string, std::string>& request, const checks::CheckFactory& factory);

  explicit CommandsFactory(Settings& settings);
  // With a check factory built by the caller (tests use canned hosts).
  explicit CommandsFactory(checks::CheckFactory factory);

  // The greeting that a session sends before reading anything.
  std::unique_ptr<CommandBase> get_login_command() const;

  // The command for one raw request text, sent by the client on
  // `connection_fd` (-1: none); never null.
  std::unique_ptr<CommandBase> get_command(const std::string& request,
                                           int connection_fd = -1) const;

 private:
  template <class T>
  static std::unique_ptr<CommandBase> creator_func(
      const std::map<std::string, std::string>& request, const checks::CheckFactory& factory) {
    return std::unique_ptr<CommandBase>(new T(request, factory));
  }

  void register_actions();

  std::map<std::string, creator> creators;
  checks::CheckFactory check_factory;
};

}  // namespace commands

#endif  // QUOR2_COMMANDS_COMMANDS_FACTORY_H_
