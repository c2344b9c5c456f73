#include "checks/ping_check.h"

#include <boost/regex.hpp>

#include <algorithm>
#include <cmath>

#include "checks/params_accessor.h"
#include "utils/command_pipe.h"
#include "utils/text.h"

namespace checks {

const std::string pingcheck_error_string = "Ping check Error: ";

namespace {

const std::size_t line_buffer_size = 255;

// Longer than any DNS name or IP literal.
const std::size_t max_host_length = 255;

// The least a run may wait: ping must start, and may have to resolve a name.
constexpr std::chrono::milliseconds min_wait{1000};

const CheckParameter host_parameter{"Host name or IP", "text", 100};
const CheckParameter ipv6_parameter{"Use IPv6", "boolean", 1};
const CheckParameter count_parameter{"Number of packets", "longinteger", 20};
const CheckParameter timeout_parameter{"Overall timeout [s]", "longinteger", 100};
const CheckParameter limit_parameter{"Success rate limit [%]", "longinteger", 100};

}  // namespace

PingCheck::PingCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > PingCheck::PingCheck");
  QLOG_DEBUG(std::string("PingCheck ") + (for_params ? "for params" : "for check"));
  declare({host_parameter, ipv6_parameter, count_parameter, timeout_parameter, limit_parameter},
          for_params, pingcheck_error_string);
  QLOG_TRACE(" < PingCheck::PingCheck");
}

PingCheck::~PingCheck() {
  QLOG_TRACE(" > PingCheck::~PingCheck");
  QLOG_TRACE(" < PingCheck::~PingCheck");
}

std::string PingCheck::get_description() { return "Host or IP ping test"; }

bool PingCheck::valid_host(const std::string& host) {
  if (host.empty() || host.size() > max_host_length || host.front() == '-') return false;
  for (const char c : host) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-' || c == '_' ||
                         c == '%';
    if (!allowed) return false;
  }
  return true;
}

PingCheck::Run PingCheck::parse_ping_output(utils::LineReader& output) {
  static const boost::regex loss_expression("(\\d{1,3}(?:.\\d+)?)%\\s+packet loss");
  static const boost::regex rtt_expression(
      "((?:[\\w-]+\\/)+(?:[\\w-]+\\s))[^\\d\\.]+((?:[\\d\\.]+\\/)+(?:[\\d\\.]+\\s))");
  static const boost::regex slash("\\/");

  Run run;
  std::string line;
  if (output.read_line(line, line_buffer_size)) run.first_line = utils::trim(line);
  // "--- h ping statistics ---", "----h PING Statistics----" (Solaris),
  // "--- h ping6 statistics ---" (KAME).
  static const boost::regex heading("ping6? statistics", boost::regex::icase);
  while (!run.statistics && output.read_line(line, line_buffer_size)) {
    run.statistics = boost::regex_search(line, heading);
  }
  if (!run.statistics) return run;

  double loss = 0.0;
  double average = -1.0;
  bool rtt_line = false;
  while (!rtt_line && output.read_line(line, line_buffer_size)) {
    boost::smatch match;
    if (boost::regex_search(line, match, loss_expression)) {
      loss = std::stod(match[1].str());
    } else if (boost::regex_search(line, match, rtt_expression) && match[2].matched) {
      rtt_line = true;
      const std::vector<std::string> names = utils::split(match[1].str(), slash);
      const std::vector<std::string> values = utils::split(match[2].str(), slash);
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != "avg") continue;
        if (i < values.size()) average = std::stod(values[i]);
        break;
      }
    }
  }
  QLOG_TRACE("avg_rtt=" + utils::to_string(average, 2) + "ms; loss=" + utils::to_string(loss, 2) +
             "%");
  run.average = loss == 0.0 ? average : -1.0;
  return run;
}

double PingCheck::perform_ping(const std::string& host, bool ipv6,
                               std::chrono::milliseconds wait) const {
  QLOG_TRACE(" > PingCheck::perform_ping");
  std::vector<std::string> command = {"ping", "-c", "1", host};
  if (ipv6 && env.program_exists("ping6")) command[0] = "ping6";
  if (ipv6 && command[0] == "ping") command.insert(command.begin() + 1, "-6");
  QLOG_TRACE("Executing " + utils::CommandPipe::command_line(command));
  Run run;
  utils::CommandStatus status;
  try {
    const std::unique_ptr<utils::CommandOutput> output = run_command(command, wait);
    run = parse_ping_output(*output);
    status = output->finish();
    if (run.first_line.empty()) run.first_line = status.error_line;
  } catch (const std::runtime_error& error) {
    if (run_limit().connection_ended()) throw;
    // Cut off at its wait: this run is lost, the check goes on.
    run.first_line = error.what();
  }
  if (status.not_run() || status.kind == utils::CommandStatus::kSignaled) {
    throw std::runtime_error(status.describe(command.front()));
  }
  if (!run.statistics) {
    QLOG_WARN("ping failed: " +
              (run.first_line.empty() ? "Error executing ping." : run.first_line));
  }
  QLOG_TRACE(" < PingCheck::perform_ping");
  return run.statistics ? run.average : -1.0;
}

CheckResult PingCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > PingCheck::execute");
  return guarded(" < PingCheck::execute", false, [&] {
    using string_param = params_accessor<std::string>;
    using int_param = params_accessor<int>;
    const std::string host =
        string_param::get_required_param(params, host_parameter.name, pingcheck_error_string);
    const auto ipv6_value = params.find(ipv6_parameter.name);
    const bool ipv6 = ipv6_value != params.end() && ipv6_value->second == "true";
    const int count =
        int_param::get_required_param(params, count_parameter.name, pingcheck_error_string);
    const int timeout =
        int_param::get_required_param(params, timeout_parameter.name, pingcheck_error_string);
    const int limit =
        int_param::get_required_param(params, limit_parameter.name, pingcheck_error_string);
    if (!valid_host(host)) throw std::runtime_error("Invalid host name or IP");
    if (count < 1) throw std::runtime_error("Number of packets must be at least 1");
    const double budget = timeout * 1000.0 / count;
    // A run answered later than its budget would not count as within it.
    const std::chrono::milliseconds most = std::chrono::seconds(env.timeout_seconds());
    const auto wait = std::chrono::milliseconds(static_cast<long long>(
        std::min<double>(std::max<double>(std::ceil(budget), min_wait.count()), most.count())));
    const std::chrono::milliseconds bound = std::chrono::seconds(env.check_seconds());
    if (wait.count() * static_cast<double>(count) > bound.count()) {
      throw std::runtime_error("Too many packets for the check time bound of " +
                               std::to_string(env.check_seconds()) + " s");
    }
    QLOG_DEBUG("Pinging " + host + " " + std::to_string(count) + " times for " +
               std::to_string(timeout) + " s. (" + utils::to_string(budget, 2) +
               " ms per try) with a limit " + std::to_string(limit) + "%");

    int succeeded = 0;
    int within = 0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
      run_limit().check(env.check_seconds());
      const double rtt = perform_ping(host, ipv6, wait);
      if (rtt > 0.0) {
        ++succeeded;
        sum += rtt;
        if (rtt <= budget) ++within;
      }
    }
    QLOG_TRACE(std::to_string(succeeded) + " pings succedded, " + std::to_string(within) +
               " under limit");
    const int rate = static_cast<int>(static_cast<long long>(within) * 100 / count);
    const double average = succeeded > 0 ? sum / succeeded : 0.0;
    const bool up = limit <= rate;
    const std::string text = utils::to_string(rate, 2) + "% " +
                             (up ? "" : " out of Limit " + std::to_string(limit) + "%") +
                             " pings fall into rtt limit. Avg. rtt is " +
                             utils::to_string(average, 2);
    QLOG_TRACE(" < PingCheck::execute");
    return CheckResult::verdict(up, text);
  });
}

}  // namespace checks
