#include "commands/list_checks_command.h"

#include "utils/params.h"

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
  utils::ParamsList fields = {{"responseaction", "listchecks"},
                              {"sessionid", "1"},
                              {"checkcount", std::to_string(check_factory->offered_count())}};
  const utils::ParamsList listing = check_factory->list_checks();
  fields.insert(fields.end(), listing.begin(), listing.end());
  QLOG_TRACE(" < ListChecksCommand::execute");
  return utils::counted_record(fields);
}

}  // namespace commands
