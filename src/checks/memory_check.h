// The common base of the checks "RAM" and "Swap": the free RAM or free swap
// percentage, read from /proc/meminfo where it can be read (Linux), else
// from the summary lines of "top -d 1 -n 1 -b". Abstract; each check is
// built per request and used by one thread.
#ifndef QUOR2_CHECKS_MEMORY_CHECK_H_
#define QUOR2_CHECKS_MEMORY_CHECK_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

class MemoryCheck : public CheckBase {
 public:
  // Free RAM and free swap in percent as a source gives them, not yet held
  // to 0 to 100; empty for a figure it does not give.
  struct FreeShares {
    std::optional<std::int64_t> ram;
    std::optional<std::int64_t> swap;
  };

  // `swap`: the object serves the swap check rather than the RAM check.
  MemoryCheck(bool swap, const utils::Env& env);
  ~MemoryCheck() override;

  // The free percentage of this check's memory. Throws std::runtime_error
  // when the source does not give it, gives it outside 0 to 100, or (top)
  // could not run; and what parse_top throws.
  int get_memory_usage() const;

  // MemFree of MemTotal, or with `available` MemAvailable of MemTotal
  // (MemFree + Buffers + Cached on kernels without it); SwapFree of
  // SwapTotal, 100 without swap. A RAM total of 0 gives no RAM figure.
  static FreeShares parse_meminfo(const std::string& content, bool available);

  // The output of top, read until both figures are known and then to its
  // end. Free RAM without total RAM is no figure; no swap is 100% free.
  //
  // Lines of procps-ng 3.3 and later ("MiB Mem :  24105.3 total,  23603.2
  // free, ..."; a unit KiB to EiB, then Mem or Swap and a colon) are read
  // by their labels "total" and "free" only, decimals included; in GiB and
  // larger units a total of 0.0 is no figure. BusyBox's "Mem: <n>K used,
  // <n>K free, ..." is read by its labels too: free of used + free. Every
  // other line is read by the count of its bare numbers: "Mem:" lines of
  // 4, 5 or 6, "Swap:" lines of 2 or 4, "Memory:" lines of 4 or 5,
  // "Memory: Real:" lines of 5 or more numbers.
  //
  // Throws std::runtime_error when top cut a figure short ("+"), and
  // std::out_of_range on numbers too large.
  static FreeShares parse_top(utils::LineReader& output);

 protected:
  // The run of either check: reads the integer limit `limit_name`, measures,
  // and is up while the free percentage exceeds the limit. Never throws.
  CheckResult judge(const std::map<std::string, std::string>& params, const std::string& limit_name,
                    const std::string& error_prefix, const char* exit_trace) const;

 private:
  // This check's figure of `shares`, read from `source`; throws when it is
  // missing or outside 0 to 100.
  int figure_of(const FreeShares& shares, const std::string& source) const;

  const bool swap_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_MEMORY_CHECK_H_
