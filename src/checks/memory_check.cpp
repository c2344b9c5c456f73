#include "checks/memory_check.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

namespace {

const std::size_t line_buffer_size = 2048;

using Figure = std::int64_t;

Figure times(Figure a, Figure b) {
  Figure result;
  if (__builtin_mul_overflow(a, b, &result)) throw std::out_of_range("memory figure too large");
  return result;
}

Figure plus(Figure a, Figure b) {
  Figure result;
  if (__builtin_add_overflow(a, b, &result)) throw std::out_of_range("memory figure too large");
  return result;
}

// 100 - used x 100 / total, or 100 when total is 0.
int free_from_used(Figure used, Figure total) {
  return total == 0 ? 100 : static_cast<int>(100 - times(used, 100) / total);
}

// free x 100 / total, or 100 when total is 0.
int free_share(Figure free, Figure total) {
  return total == 0 ? 100 : static_cast<int>(times(free, 100) / total);
}

// The bare numbers of a line: every run of non-digits separates, so units,
// words and decimal points vanish ("782.7M" gives 782 and 7).
std::vector<Figure> numbers_of(const std::string& line) {
  static const boost::regex non_digits("(\\D|\\s)+");
  static const boost::regex blanks("\\s+");
  std::vector<Figure> numbers;
  for (const std::string& token :
       utils::split(utils::trim(boost::regex_replace(line, non_digits, " ")), blanks)) {
    numbers.push_back(std::stol(token));
  }
  return numbers;
}

// A summary line of procps-ng 3.3 and later, whose values carry labels.
struct LabelledLine {
  bool swap = false;
  Figure total = 0;
  Figure free = 0;
};

bool read_labelled(const std::string& line, LabelledLine& out) {
  static const boost::regex heading("^[KMGTPE]iB\\s+(Mem|Swap)\\s*:");
  static const boost::regex value("(\\d+)(?:\\.(\\d+))?\\s+([A-Za-z][A-Za-z/]*)");
  boost::smatch head;
  if (!boost::regex_search(line, head, heading)) return false;

  boost::smatch total;
  boost::smatch free;
  for (boost::sregex_iterator it(head[0].second, line.end(), value), end; it != end; ++it) {
    const std::string label = (*it)[3];
    if (label == "total" && total.empty()) total = *it;
    if (label == "free" && free.empty()) free = *it;
  }
  if (total.empty() || free.empty()) return false;

  // Both in the same fixed-point unit, so that 24105.3 and 23603.25 compare.
  const std::size_t decimals = std::max(total.length(2), free.length(2));
  const auto scaled = [decimals](const boost::smatch& number) {
    std::string fraction = number[2];
    fraction.resize(decimals, '0');
    return static_cast<Figure>(std::stoll(number[1].str() + fraction));
  };
  out.swap = head[1] == "Swap";
  out.total = scaled(total);
  out.free = scaled(free);
  return true;
}

}  // namespace

MemoryCheck::MemoryCheck(bool swap, const utils::Env& env) : CheckBase(env), swap_(swap) {
  QLOG_TRACE(" > MemoryCheck::MemoryCheck");
  QLOG_DEBUG(std::string("MemoryCheck for ") + (swap ? "Swap" : "RAM"));
  QLOG_TRACE(" < MemoryCheck::MemoryCheck");
}

MemoryCheck::~MemoryCheck() = default;

std::pair<int, int> MemoryCheck::get_memory_usage() const {
  QLOG_TRACE(" > MemoryCheck::get_memory_usage");
  QLOG_TRACE("Executing top");
  const std::pair<int, int> usage = parse_top(*run_command({"top", "-d", "1", "-n", "1", "-b"}));
  QLOG_TRACE(" < MemoryCheck::get_memory_usage");
  return usage;
}

std::pair<int, int> MemoryCheck::parse_top(utils::LineReader& output) {
  enum Kind { none, mem, swap, memory };
  static const char* const unknown_format[] = {"", "Unknown MEM format", "Unknown SWAP format",
                                               "Unknown MEMORY format"};
  int free_ram = 0;
  int free_swap = 0;
  bool ram_known = false;
  bool swap_known = false;
  std::string line;
  while (!(ram_known && swap_known) && output.read_line(line, line_buffer_size)) {
    const std::string text = utils::trim(line);
    const std::vector<Figure> n = numbers_of(text);
    const auto data = [&text] { return "\tdata string was : " + text; };

    LabelledLine labelled;
    if (read_labelled(text, labelled)) {
      QLOG_TRACE((labelled.swap ? "SWAP by labels" : "MEM by labels") + data());
      (labelled.swap ? free_swap : free_ram) = free_share(labelled.free, labelled.total);
      (labelled.swap ? swap_known : ram_known) = true;
      continue;
    }

    Kind kind = none;
    if (text.find("Mem:") != std::string::npos) {
      kind = mem;
      QLOG_TRACE("Mem: found");
    } else if (text.find("Swap:") != std::string::npos) {
      kind = swap;
      QLOG_TRACE("Swap: found");
    } else if (text.find("Memory:") != std::string::npos) {
      kind = memory;
      QLOG_TRACE("Memory: found");
    }
    if (text.find("Memory: Real:") != std::string::npos && n.size() >= 5) {
      QLOG_TRACE("Memory: Real: found" + data());
      free_ram = free_from_used(n[1], plus(n[1], n[2]));
      free_swap = free_from_used(n[3], n[4]);
      ram_known = swap_known = true;
    } else if (text.find("Memory: Real:") != std::string::npos) {
      // Too few numbers for its layout; the shorter layouts mean other things.
      QLOG_WARN(unknown_format[kind]);
      QLOG_DEBUG(data());
    } else if (kind == mem && (n.size() == 4 || n.size() == 5)) {
      QLOG_TRACE("MEM && count in [4,5]" + data());
      free_ram = free_from_used(n[1], n[0]);
      ram_known = true;
    } else if (kind == mem && n.size() == 6) {
      QLOG_TRACE("MEM && count is 6" + data());
      const Figure used = plus(plus(n[0], n[2]), n[4]);
      free_ram = free_from_used(used, plus(plus(plus(used, n[1]), n[3]), n[5]));
      ram_known = true;
    } else if (kind == swap && n.size() == 4) {
      QLOG_TRACE("SWAP && count is 4" + data());
      free_swap = free_from_used(n[1], n[0]);
      swap_known = true;
    } else if (kind == swap && n.size() == 2) {
      QLOG_TRACE("SWAP && count is 2" + data());
      free_swap = free_from_used(n[0] - n[1], n[0]);
      swap_known = true;
    } else if (kind == memory && n.size() == 5) {
      QLOG_TRACE("MEMORY && count is 5" + data());
      free_ram = free_from_used(n[0] - n[2], n[0]);
      free_swap = free_from_used(n[3] - n[4], n[3]);
      ram_known = swap_known = true;
    } else if (kind == memory && n.size() == 4) {
      QLOG_TRACE("MEMORY && count is 4" + data());
      free_ram = free_from_used(n[0] - n[1], n[0]);
      free_swap = free_from_used(n[2] - n[3], n[2]);
      ram_known = swap_known = true;
    } else if (kind != none) {
      QLOG_WARN(unknown_format[kind]);
      QLOG_DEBUG(data());
    }
  }
  output.drain();
  return {free_ram, free_swap};
}

CheckResult MemoryCheck::judge(const std::map<std::string, std::string>& params,
                               const std::string& limit_name, const std::string& error_prefix,
                               const char* exit_trace) const {
  const std::string name = swap_ ? "Swap" : "RAM";
  const std::string shout = swap_ ? "SWAP" : "RAM";
  return guarded(exit_trace, true, [&] {
    const int limit = params_accessor<int>::get_required_param(params, limit_name, error_prefix);
    QLOG_DEBUG("Executing " + name + " usage check with free limit " + std::to_string(limit));
    const std::pair<int, int> usage = get_memory_usage();
    const int free_percent = swap_ ? usage.second : usage.first;
    const std::string percent = std::to_string(free_percent);
    QLOG_TRACE("Free " + name + " percentage is " + percent + "%");
    const bool up = limit < free_percent;
    const std::string text = up ? percent + "% of " + shout + " memory free"
                                : "Low " + shout + " memory: " + percent + "% free";
    QLOG_TRACE(exit_trace);
    return CheckResult::verdict(up, text);
  });
}

}  // namespace checks
