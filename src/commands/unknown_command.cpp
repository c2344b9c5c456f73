#include "commands/unknown_command.h"

#include <utility>

namespace commands {

UnknownCommand::UnknownCommand(std::string requested) : action(std::move(requested)) {
  QLOG_TRACE(" > UnknownCommand::UnknownCommand/1");
  QLOG_DEBUG("UnknownCommand");
  QLOG_TRACE(" < UnknownCommand::UnknownCommand/1");
}

UnknownCommand::~UnknownCommand() {
  QLOG_TRACE(" > UnknownCommand::~UnknownCommand");
  QLOG_TRACE(" < UnknownCommand::~UnknownCommand");
}

std::string UnknownCommand::execute() {
  QLOG_TRACE(" > UnknownCommand::execute");
  QLOG_DEBUG("Executing UnknownCommand. cmd=" + action);
  QLOG_TRACE(" < UnknownCommand::execute");
  return "Command " + action + " not implemented\n";
}

}  // namespace commands
