#include "checks/proc_check.h"

#include <algorithm>
#include <boost/regex.hpp>

#include "checks/params_accessor.h"
#include "utils/command_pipe.h"
#include "utils/text.h"

namespace checks {

const std::string proccheck_error_string = "Process check Error: ";

namespace {

const CheckParameter process{"Select Process", "listcombo", 0, "", {}, CheckParameter::kHostValues};

// The command without the directory of its program; kernel threads and
// other bracketed names stay as they are.
std::string process_name(const std::string& command) {
  static const boost::regex blanks("\\s+");
  if (command.compare(0, 1, "[") == 0) return command;
  const std::vector<std::string> words = utils::split(command, blanks);
  if (words.empty()) return command;
  const std::string::size_type slash = words.front().rfind('/');
  return slash == std::string::npos ? command : command.substr(slash + 1);
}

}  // namespace

ProcCheck::ProcCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > ProcCheck::ProcCheck");
  QLOG_DEBUG(std::string("ProcCheck ") + (for_params ? "for params" : "for check"));
  declare({process}, for_params, proccheck_error_string);
  QLOG_TRACE(" < ProcCheck::ProcCheck");
}

ProcCheck::~ProcCheck() {
  QLOG_TRACE(" > ProcCheck::~ProcCheck");
  QLOG_TRACE(" < ProcCheck::~ProcCheck");
}

std::string ProcCheck::get_description() { return "Running processes"; }

std::vector<std::string> ProcCheck::list_values(const CheckParameter&) const { return get_procs(); }

std::set<std::string> ProcCheck::get_procs_set() const {
  QLOG_TRACE(" > ProcCheck::get_procs_set");
  const std::string system = env.system_name();
  const std::vector<std::string> command = {
      "ps", system == "IRIX64" || system == "SunOS" ? "-e" : "-ax", "-o", "user,args"};
  QLOG_TRACE("Executing " + utils::CommandPipe::command_line(command));
  std::set<std::string> names;
  const auto read = [&names](utils::LineReader& output) { names = parse_ps(output); };
  const std::string failure = try_command(command, read);
  // BusyBox's ps refuses -ax, and lists every process without it.
  if (!failure.empty()) {
    QLOG_DEBUG(failure + "; running ps -o user,args");
    if (!try_command({"ps", "-o", "user,args"}, read).empty()) throw std::runtime_error(failure);
  }
  QLOG_TRACE(" < ProcCheck::get_procs_set");
  return names;
}

std::vector<std::string> ProcCheck::get_procs() const {
  QLOG_TRACE(" > ProcCheck::get_procs");
  const std::set<std::string> names = get_procs_set();
  QLOG_TRACE(" < ProcCheck::get_procs");
  return std::vector<std::string>(names.begin(), names.end());
}

std::set<std::string> ProcCheck::parse_ps(utils::LineReader& output) {
  static const boost::regex user_and_command("(\\S+)\\s+(.+)");
  std::set<std::string> names;
  std::string line;
  if (!output.read_line(line)) throw std::runtime_error("Unexpected ps output: no heading line");
  while (output.read_line(line)) {
    const std::string text = utils::trim(line);
    boost::smatch match;
    if (!boost::regex_search(text, match, user_and_command)) continue;
    const std::string user = match[1];
    if (user == "root" || user == "quor") continue;
    names.insert(process_name(match[2]));
  }
  return names;
}

CheckResult ProcCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > ProcCheck::execute");
  return guarded(" < ProcCheck::execute", false, [&] {
    const std::string name =
        params_accessor<std::string>::get_required_param(params, process.name, proccheck_error_string);
    QLOG_DEBUG("Executing proocess check for process " + name);
    const std::set<std::string> names = get_procs_set();
    const bool found = std::any_of(names.begin(), names.end(),
                                   [&name](const std::string& running) { return selects(name, running); });
    QLOG_TRACE("Process " + name + (found ? " found" : " not found"));
    const std::string text = "Process " + name + (found ? " is running" : " is not running");
    QLOG_TRACE(" < ProcCheck::execute");
    return CheckResult::verdict(found, text);
  });
}

}  // namespace checks
