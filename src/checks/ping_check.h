// The check "Ping": runs the system ping once per packet, one echo request
// per run, and compares the share of runs whose round trip stayed within the
// per-try budget with a success-rate limit. Built per request; used by one
// thread.
//
// The host is checked before anything runs: only letters, digits and
// ". : - _ %" pass, and not a leading "-", so the text can neither break out
// of its quotes in the shell command line nor pass as an option of ping.
#ifndef QUOR2_CHECKS_PING_CHECK_H_
#define QUOR2_CHECKS_PING_CHECK_H_

#include <string>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

extern const std::string pingcheck_error_string;

class PingCheck : public CheckBase {
 public:
  PingCheck(bool for_params, const utils::Env& env);
  ~PingCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // One run of "ping -c 1" (ping6, or "ping -6" where ping6 is missing):
  // the average round trip in milliseconds, or -1.0 when the run failed. A
  // run cut off at the agent's time bound counts as failed.
  double perform_ping(const std::string& host, bool ipv6) const;

  // The reading of one run's output (standard error merged): the average
  // round trip, or -1.0 without statistics, with loss, or with an rtt line
  // that names no "avg" value. Throws the conversion errors of std::stod.
  static double parse_ping_output(utils::LineReader& output);

  // Whether `host` may be put between double quotes into a command line.
  static bool valid_host(const std::string& host);
};

}  // namespace checks

#endif  // QUOR2_CHECKS_PING_CHECK_H_
