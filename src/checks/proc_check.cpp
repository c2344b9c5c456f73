#include "checks/proc_check.h"

#include <boost/regex.hpp>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

const std::string proccheck_error_string = "Process check Error: ";

namespace {

const std::size_t line_buffer_size = 2048;

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
  if (for_params) {
    params.push_back({"Select Process", "listcombo", 0, ""});
    // A ps that fails or hangs must not cost the definition itself.
    try {
      combo_values["Select Process"] = get_procs();
    } catch (const std::exception& error) {
      QLOG_ERROR(proccheck_error_string + error.what());
    }
  }
  QLOG_TRACE(" < ProcCheck::ProcCheck");
}

ProcCheck::~ProcCheck() {
  QLOG_TRACE(" > ProcCheck::~ProcCheck");
  QLOG_TRACE(" < ProcCheck::~ProcCheck");
}

std::string ProcCheck::get_description() { return "Running processes"; }

std::set<std::string> ProcCheck::get_procs_set() const {
  QLOG_TRACE(" > ProcCheck::get_procs_set");
  const std::string system = env.system_name();
  const std::string command =
      system == "IRIX64" || system == "SunOS" ? "ps -e -o user,args" : "ps -ax -o user,args";
  QLOG_TRACE("Executing " + command);
  const std::set<std::string> names = parse_ps(*env.run_command(command));
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
  if (!output.read_line(line, line_buffer_size)) return names;
  while (output.read_line(line, line_buffer_size)) {
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
    const std::string name = params_accessor<std::string>::get_required_param(
        params, "Select Process", proccheck_error_string);
    QLOG_DEBUG("Executing proocess check for process " + name);
    const bool found = get_procs_set().count(name) != 0;
    QLOG_TRACE("Process " + name + (found ? " found" : " not found"));
    const std::string text = "Process " + name + (found ? " is running" : " is not running");
    QLOG_TRACE(" < ProcCheck::execute");
    return CheckResult::verdict(found, text);
  });
}

}  // namespace checks
