#include "commands/list_checks_command.h"

namespace commands {

ListChecksCommand::ListChecksCommand(const std::map<std::string, std::string>&,
                                     const checks::CheckFactory& factory)
    : CommandBase(factory) {
  QLOG_TRACE(" > ListChecksCommand::ListChecksCommand/2");
  QLOG_DEBUG("ListChecksCommand");
  QLOG_TRACE(" < ListChecksCommand::ListChecksCommand/2");
}

ListChecksCommand::~ListChecksCommand() {
  QLOG_TRACE(" > ListChecksCommand::~ListChecksCommand");
  QLOG_TRACE(" < ListChecksCommand::~ListChecksCommand");
}

std::string ListChecksCommand::execute() {
  QLOG_TRACE(" > ListChecksCommand::execute");
  QLOG_DEBUG("Executing ListChecksCommand.");
  const std::pair<int, std::string> listing = check_factory->list_checks();
  QLOG_TRACE(" < ListChecksCommand::execute");
  return "#keycount=" + std::to_string(3 * listing.first + 3) +
         "#responseaction=listchecks#sessionid=1#checkcount=" + std::to_string(listing.first) +
         listing.second;
}

}  // namespace commands
