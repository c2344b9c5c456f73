// The common base of the checks "RAM" and "Swap": the free RAM and free swap
// percentages read from the summary lines of "top -d 1 -n 1 -b". Abstract;
// each check is built per request and used by one thread.
#ifndef QUOR2_CHECKS_MEMORY_CHECK_H_
#define QUOR2_CHECKS_MEMORY_CHECK_H_

#include <map>
#include <string>
#include <utility>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

class MemoryCheck : public CheckBase {
 public:
  // `swap`: the object serves the swap check rather than the RAM check.
  MemoryCheck(bool swap, const utils::Env& env);
  ~MemoryCheck() override;

  // Runs top and returns (free RAM percent, free swap percent). Throws what
  // the command pipe and parse_top throw.
  std::pair<int, int> get_memory_usage() const;

  // (free RAM percent, free swap percent) from the output of top, read until
  // both are known and then to its end; 0 for a figure no line gave.
  //
  // Lines of current procps-ng ("MiB Mem :  24105.3 total,  23603.2 free,
  // ..." and "KiB Swap: ... total, ... free, ... used.  ... avail Mem": a
  // unit KiB to EiB, then Mem or Swap and a colon, with "<n> total" and
  // "<n> free" among the values) are read by their labels, decimals
  // included: free x 100 / total. Every other line is read by the count of
  // its bare numbers: "Mem:" lines of 4, 5 or 6, "Swap:" lines of 2 or 4,
  // "Memory:" lines of 4 or 5, "Memory: Real:" lines of 5 or more numbers.
  //
  // Throws std::invalid_argument on a line without any digit read while a
  // figure is still unknown, and std::out_of_range on numbers too large.
  static std::pair<int, int> parse_top(utils::LineReader& output);

 protected:
  // The run of either check: reads the integer limit `limit_name`, measures,
  // and is up while the free percentage exceeds the limit. Never throws.
  CheckResult judge(const std::map<std::string, std::string>& params, const std::string& limit_name,
                    const std::string& error_prefix, const char* exit_trace) const;

 private:
  const bool swap_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_MEMORY_CHECK_H_
