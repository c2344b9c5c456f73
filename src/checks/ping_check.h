// The check "Ping": runs the system ping once per packet, one echo request
// per run, and compares the share of runs whose round trip stayed within the
// per-try budget with a success-rate limit. Built per request; used by one
// thread.
//
// The host is checked before anything runs: only letters, digits and
// ". : - _ %" pass, and not a leading "-", so it can never pass as an option
// of ping. A run waits for its answer at most its share of the overall
// timeout (at least 1 s, at most the agent's time bound of a command); a
// request whose runs could together outlast the bound of a whole check is
// refused before the first one.
#ifndef QUOR2_CHECKS_PING_CHECK_H_
#define QUOR2_CHECKS_PING_CHECK_H_

#include <chrono>
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

  // What one run's standard output says.
  struct Run {
    bool statistics = false;  // it holds the statistics of the run
    double average = -1.0;    // its average round trip in ms; -1.0 with loss or no "avg"
    std::string first_line;   // its first line, trimmed
  };

  // One run of "ping -c 1" (ping6, or "ping -6" where ping6 is missing),
  // cut off after `wait`: the average round trip in milliseconds, or -1.0
  // when the run failed. Throws std::runtime_error when ping could not run
  // or was killed, and once the client's connection has ended.
  double perform_ping(const std::string& host, bool ipv6, std::chrono::milliseconds wait) const;

  // The reading of one run's output; its statistics begin at a line that
  // holds "ping statistics" or "ping6 statistics" in any letter case.
  // Throws the conversion errors of std::stod.
  static Run parse_ping_output(utils::LineReader& output);

  // Whether `host` may be handed to ping as its host argument.
  static bool valid_host(const std::string& host);
};

}  // namespace checks

#endif  // QUOR2_CHECKS_PING_CHECK_H_
