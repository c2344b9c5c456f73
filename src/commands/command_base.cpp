#include "commands/command_base.h"

#include "logger/logger.h"

namespace commands {

CommandBase::CommandBase(const checks::CheckFactory& factory) : check_factory(&factory) {
  QLOG_TRACE(" > CommandBase::CommandBase/1");
  QLOG_TRACE(" < CommandBase::CommandBase/1");
}

CommandBase::CommandBase() : check_factory(nullptr) {
  QLOG_TRACE(" > CommandBase::CommandBase/0");
  QLOG_TRACE(" < CommandBase::CommandBase/0");
}

CommandBase::~CommandBase() {
  QLOG_TRACE(" > CommandBase::~CommandBase");
  QLOG_TRACE(" < CommandBase::~CommandBase");
}

}  // namespace commands
