#include "commands/commands_factory.h"

#include <utility>

#include "commands/define_check_command.h"
#include "commands/error_command.h"
#include "commands/get_combo_command.h"
#include "commands/list_checks_command.h"
#include "commands/login_command.h"
#include "commands/logout_command.h"
#include "commands/run_check_command.h"
#include "commands/unknown_command.h"
#include "utils/params.h"

namespace commands {

namespace {

// The logout command takes no request value.
std::unique_ptr<CommandBase> create_logout(const std::map<std::string, std::string>&,
                                           const checks::CheckFactory& factory) {
  return std::unique_ptr<CommandBase>(new LogoutCommand(factory));
}

}  // namespace

CommandsFactory::CommandsFactory(Settings& settings) : check_factory(settings) {
  register_actions();
}

CommandsFactory::CommandsFactory(checks::CheckFactory factory) : check_factory(std::move(factory)) {
  register_actions();
}

void CommandsFactory::register_actions() {
  QLOG_TRACE(" > CommandsFactory::CommandsFactory");
  creators["listchecks"] = &creator_func<ListChecksCommand>;
  creators["definecheck"] = &creator_func<DefineCheckCommand>;
  creators["runcheck"] = &creator_func<RunCheckCommand>;
  creators["getcomboparamvalues"] = &creator_func<GetComboCommand>;
  creators["logout"] = &create_logout;
  QLOG_TRACE(" < CommandsFactory::CommandsFactory");
}

std::unique_ptr<CommandBase> CommandsFactory::get_login_command() const {
  QLOG_TRACE(" > CommandsFactory::get_login_command");
  QLOG_TRACE(" < CommandsFactory::get_login_command");
  return std::make_unique<LoginCommand>(check_factory);
}

std::unique_ptr<CommandBase> CommandsFactory::get_command(const std::string& request,
                                                          int connection_fd) const {
  QLOG_TRACE(" > CommandsFactory::get_command");
  const utils::ParamsMap params = utils::get_params_map(request);
  if (params.count("keycount") == 0) {
    QLOG_ERROR("Protocol Error: no keycount.");
    QLOG_TRACE(" < CommandsFactory::get_command");
    return std::make_unique<ErrorCommand>("no keycount");
  }
  if (params.count("sessionid") == 0) {
    QLOG_ERROR("Protocol Error: no sessionid.");
    QLOG_TRACE(" < CommandsFactory::get_command");
    return std::make_unique<ErrorCommand>("no sessionid");
  }
  const auto action = params.find("requestaction");
  if (action == params.end()) {
    QLOG_TRACE(" < CommandsFactory::get_command");
    QLOG_ERROR("Protocol Error: no requestaction.");
    return std::make_unique<ErrorCommand>("no requestaction");
  }
  QLOG_DEBUG("Getting command for action " + action->second);
  const auto creator_it = creators.find(action->second);
  if (creator_it != creators.end()) {
    QLOG_TRACE(" < CommandsFactory::get_command");
    std::unique_ptr<CommandBase> command = creator_it->second(params, check_factory);
    command->set_connection(connection_fd);
    return command;
  }
  QLOG_ERROR("Unknown action " + action->second);
  QLOG_TRACE(" < CommandsFactory::get_command");
  return std::make_unique<UnknownCommand>(action->second);
}

}  // namespace commands
