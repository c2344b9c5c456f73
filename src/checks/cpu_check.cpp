#include "checks/cpu_check.h"

#include <algorithm>
#include <boost/regex.hpp>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

const std::string cpucheck_error_string = "CPU Check Error: ";

namespace {

const std::size_t line_buffer_size = 255;

const CheckParameter load_limit{"Load Limit [%]", "longinteger", 200};

std::string next_line(utils::LineReader& output) {
  std::string line;
  if (!output.read_line(line, line_buffer_size)) {
    throw std::runtime_error("Unexpected vmstat output: fewer than 4 lines");
  }
  return line;
}

}  // namespace

CpuCheck::CpuCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > CpuCheck::CpuCheck");
  QLOG_DEBUG(std::string("CpuCheck ") + (for_params ? "for params" : "for check"));
  declare({load_limit}, for_params, cpucheck_error_string);
  QLOG_TRACE(" < CpuCheck::CpuCheck");
}

CpuCheck::~CpuCheck() {
  QLOG_TRACE(" > CpuCheck::~CpuCheck");
  QLOG_TRACE(" < CpuCheck::~CpuCheck");
}

std::string CpuCheck::get_description() { return "CPU Usage"; }

int CpuCheck::parse_vmstat(utils::LineReader& output) {
  static const boost::regex blanks("\\s+");
  next_line(output);
  const std::vector<std::string> headings = utils::split(utils::trim(next_line(output)), blanks);
  int system_index = -1;
  int user_index = -1;
  for (std::size_t i = 0; i < headings.size(); ++i) {
    if (headings[i] == "sy") {
      system_index = static_cast<int>(i);
    } else if (headings[i] == "us") {
      user_index = static_cast<int>(i);
    }
  }
  QLOG_TRACE("sy index is " + std::to_string(system_index) + " and us index is " +
             std::to_string(user_index));
  if (system_index < 0 || user_index < 0) {
    throw std::runtime_error("Unexpected vmstat output: no us or sy column");
  }

  next_line(output);
  const std::vector<std::string> values = utils::split(utils::trim(next_line(output)), blanks);
  if (values.size() <= static_cast<std::size_t>(std::max(system_index, user_index))) {
    throw std::runtime_error("Unexpected vmstat output: too few values");
  }
  const int system_load = std::stoi(values[system_index]);
  const int user_load = std::stoi(values[user_index]);
  QLOG_TRACE("sy load is " + std::to_string(system_load) + " and us load is " +
             std::to_string(user_load));
  // Each column is a percentage; anything else was not measured.
  if (system_load < 0 || user_load < 0 || system_load > 100 || user_load > 100) {
    throw std::runtime_error("Unexpected vmstat output: load outside 0 to 100");
  }
  // Each column is rounded on its own: a busy host sums to 101.
  return std::min(system_load + user_load, 100);
}

CheckResult CpuCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > CpuCheck::execute");
  return guarded(" < CpuCheck::execute", true, [&] {
    const int limit =
        params_accessor<int>::get_required_param(params, load_limit.name, cpucheck_error_string);
    QLOG_DEBUG("Executing CPU Check with load limit " + std::to_string(limit));
    QLOG_TRACE("starting vmstat");
    int load = 0;
    read_command({"vmstat", "1", "2"},
                 [&load](utils::LineReader& output) { load = parse_vmstat(output); });
    const std::string text =
        load > limit ? "CPU load " + std::to_string(load) + " out of Limit " + std::to_string(limit)
                     : "CPU load is " + std::to_string(load);
    QLOG_TRACE(" < CpuCheck::execute");
    return CheckResult::verdict(load <= limit, text);
  });
}

}  // namespace checks
