#include "commands/error_command.h"

#include <utility>

namespace commands {

ErrorCommand::ErrorCommand(std::string text) : message(std::move(text)) {
  QLOG_TRACE(" > ErrorCommand::ErrorCommand/1");
  QLOG_DEBUG("ErrorCommand");
  QLOG_TRACE(" < ErrorCommand::ErrorCommand/1");
}

ErrorCommand::~ErrorCommand() {
  QLOG_TRACE(" > ErrorCommand::~ErrorCommand");
  QLOG_TRACE(" < ErrorCommand::~ErrorCommand");
}

std::string ErrorCommand::execute() {
  QLOG_TRACE(" > ErrorCommand::execute");
  QLOG_DEBUG("Executing ErrorCommand.");
  QLOG_TRACE(" < ErrorCommand::execute");
  return message;
}

}  // namespace commands
