#include "checks/ping_check.h"

#include <boost/regex.hpp>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

const std::string pingcheck_error_string = "Ping check Error: ";

namespace {

const std::size_t line_buffer_size = 255;

// Longer than any DNS name or IP literal.
const std::size_t max_host_length = 255;

}  // namespace

PingCheck::PingCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > PingCheck::PingCheck");
  QLOG_DEBUG(std::string("PingCheck ") + (for_params ? "for params" : "for check"));
  if (for_params) {
    params.push_back({"Host name or IP", "text", 100, ""});
    params.push_back({"Use IPv6", "boolean", 1, ""});
    params.push_back({"Number of packets", "longinteger", 20, ""});
    params.push_back({"Overall timeout [s]", "longinteger", 100, ""});
    params.push_back({"Success rate limit [%]", "longinteger", 100, ""});
  }
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

double PingCheck::parse_ping_output(utils::LineReader& output) {
  static const boost::regex loss_expression("(\\d{1,3}(?:.\\d+)?)%\\s+packet loss");
  static const boost::regex rtt_expression(
      "((?:[\\w-]+\\/)+(?:[\\w-]+\\s))[^\\d\\.]+((?:[\\d\\.]+\\/)+(?:[\\d\\.]+\\s))");
  static const boost::regex slash("\\/");

  std::string line;
  std::string first_line = "Error executing ping.";
  if (output.read_line(line, line_buffer_size)) first_line = utils::trim(line);
  bool statistics = false;
  while (!statistics && output.read_line(line, line_buffer_size)) {
    statistics = line.find("ping statistics") != std::string::npos;
  }
  if (!statistics) {
    QLOG_WARN("ping failed: " + first_line);
    return -1.0;
  }

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
  return loss == 0.0 ? average : -1.0;
}

double PingCheck::perform_ping(const std::string& host, bool ipv6) const {
  QLOG_TRACE(" > PingCheck::perform_ping");
  std::string prefix = "ping -c 1 \"";
  if (ipv6) prefix = env.program_exists("ping6") ? "ping6 -c 1 \"" : "ping -6 -c 1 \"";
  const std::string command_line = prefix + host + "\" 2>&1";
  QLOG_TRACE("Executing " + command_line);
  const std::unique_ptr<utils::LineReader> output = env.run_command(command_line);
  double average = -1.0;
  try {
    average = parse_ping_output(*output);
  } catch (const std::runtime_error& error) {
    // The command pipe's time bound: this run is lost, the check goes on.
    QLOG_WARN("ping failed: " + std::string(error.what()));
  }
  QLOG_TRACE(" < PingCheck::perform_ping");
  return average;
}

CheckResult PingCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > PingCheck::execute");
  return guarded(" < PingCheck::execute", false, [&] {
    const std::string host = params_accessor<std::string>::get_required_param(
        params, "Host name or IP", pingcheck_error_string);
    const auto ipv6_value = params.find("Use IPv6");
    const bool ipv6 = ipv6_value != params.end() && ipv6_value->second == "true";
    const int count = params_accessor<int>::get_required_param(params, "Number of packets",
                                                               pingcheck_error_string);
    const int timeout = params_accessor<int>::get_required_param(params, "Overall timeout [s]",
                                                                 pingcheck_error_string);
    const int limit = params_accessor<int>::get_required_param(params, "Success rate limit [%]",
                                                               pingcheck_error_string);
    if (!valid_host(host)) throw std::runtime_error("Invalid host name or IP");
    if (count < 1) throw std::runtime_error("Number of packets must be at least 1");
    const double budget = timeout * 1000.0 / count;
    QLOG_DEBUG("Pinging " + host + " " + std::to_string(count) + " times for " +
               std::to_string(timeout) + " s. (" + utils::to_string(budget, 2) +
               " ms per try) with a limit " + std::to_string(limit) + "%");

    int succeeded = 0;
    int within = 0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
      const double rtt = perform_ping(host, ipv6);
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
