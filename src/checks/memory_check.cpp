#include "checks/memory_check.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <stdexcept>
#include <vector>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

namespace {

const std::size_t line_buffer_size = 2048;

using Figure = std::int64_t;
using Share = std::optional<Figure>;

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

// A total of 0 is no swap, all of it free; RAM is never 0.
Share none_or_all(bool swap) { return swap ? Share(100) : std::nullopt; }

// 100 - used x 100 / total.
Share free_from_used(Figure used, Figure total, bool swap) {
  return total == 0 ? none_or_all(swap) : Share(100 - times(used, 100) / total);
}

// free x 100 / total.
Share free_share(Figure free, Figure total, bool swap) {
  return total == 0 ? none_or_all(swap) : Share(times(free, 100) / total);
}

// The bare numbers of a line: every run of non-digits separates, so units,
// words and decimal points vanish ("782.7M" gives 782 and 7).
std::vector<Figure> numbers_of(const std::string& line) {
  static const boost::regex non_digits("(\\D|\\s)+");
  static const boost::regex blanks("\\s+");
  std::vector<Figure> numbers;
  for (const std::string& token :
       utils::split(utils::trim(boost::regex_replace(line, non_digits, " ")), blanks)) {
    if (!token.empty()) numbers.push_back(std::stol(token));
  }
  return numbers;
}

// Reads a summary line whose figures carry labels into `shares`: false when
// the line is of no such kind.
bool read_labelled(const std::string& line, MemoryCheck::FreeShares& shares) {
  static const boost::regex procps("^([KMGTPE])iB\\s+(Mem|Swap)\\s*:");
  static const boost::regex busybox("^Mem:\\s");
  static const boost::regex value("(\\d+)(?:\\.(\\d+))?K?\\s+([A-Za-z][A-Za-z/]*)");
  static const boost::regex cut("\\d\\.?\\+");
  boost::smatch head;
  const bool labelled = boost::regex_search(line, head, procps);
  if (!labelled && !boost::regex_search(line, head, busybox)) return false;
  if (labelled && boost::regex_search(line, cut)) {
    throw std::runtime_error("Unexpected top output: memory figures cut short");
  }

  std::map<std::string, boost::smatch> figures;
  for (boost::sregex_iterator it(head[0].second, line.end(), value), end; it != end; ++it) {
    figures.emplace((*it)[3], *it);
  }
  const bool has_total = figures.count("total") != 0;
  const bool has_used = figures.count("used") != 0;
  if (!labelled && (has_total || !has_used || figures.count("free") == 0)) return false;
  const bool swap = labelled && head[2] == "Swap";
  if (figures.count("free") == 0 || (labelled && !has_total)) return true;  // bars: no figure

  // The figures in one fixed-point unit, so that 24105.3 and 23603.25 compare.
  std::size_t decimals = 0;
  for (const auto& figure : figures) {
    decimals = std::max(decimals, static_cast<std::size_t>(figure.second.length(2)));
  }
  const auto scaled = [&figures, decimals](const char* label) {
    std::string fraction = figures.at(label)[2];
    fraction.resize(decimals, '0');
    return static_cast<Figure>(std::stoll(figures.at(label)[1].str() + fraction));
  };
  const Figure free = scaled("free");
  const Figure total = labelled ? scaled("total") : plus(scaled("used"), free);
  const bool coarse = labelled && std::string("GTPE").find(head.str(1)) != std::string::npos;
  (swap ? shares.swap : shares.ram) =
      total == 0 && coarse ? std::nullopt : free_share(free, total, swap);
  return true;
}

}  // namespace

MemoryCheck::MemoryCheck(bool swap, const utils::Env& env) : CheckBase(env), swap_(swap) {
  QLOG_TRACE(" > MemoryCheck::MemoryCheck");
  QLOG_DEBUG(std::string("MemoryCheck for ") + (swap ? "Swap" : "RAM"));
  QLOG_TRACE(" < MemoryCheck::MemoryCheck");
}

MemoryCheck::~MemoryCheck() = default;

int MemoryCheck::figure_of(const FreeShares& shares, const std::string& source) const {
  const std::string name = swap_ ? "swap" : "RAM";
  const Share& share = swap_ ? shares.swap : shares.ram;
  if (!share) throw std::runtime_error("Unexpected " + source + ": no free " + name + " figure");
  if (*share < 0 || *share > 100) {
    throw std::runtime_error("Unexpected " + source + ": free " + name + " of " +
                             std::to_string(*share) + "%");
  }
  return static_cast<int>(*share);
}

int MemoryCheck::get_memory_usage() const {
  QLOG_TRACE(" > MemoryCheck::get_memory_usage");
  int free_percent = 0;
  std::string meminfo;
  if (env.read_file("/proc/meminfo", meminfo)) {
    free_percent = figure_of(parse_meminfo(meminfo, env.ram_available()), "/proc/meminfo");
  } else {
    QLOG_TRACE("Executing top");
    read_command({"top", "-d", "1", "-n", "1", "-b"}, [&](utils::LineReader& output) {
      free_percent = figure_of(parse_top(output), "top output");
    });
  }
  QLOG_TRACE(" < MemoryCheck::get_memory_usage");
  return free_percent;
}

MemoryCheck::FreeShares MemoryCheck::parse_meminfo(const std::string& content, bool available) {
  // Longer numbers are not kB of any machine; they give no figure.
  static const boost::regex field("^(\\w+):[ \\t]*(\\d{1,15})\\b");
  std::map<std::string, Figure> kb;
  for (boost::sregex_iterator it(content.begin(), content.end(), field), end; it != end; ++it) {
    kb.emplace((*it)[1], std::stoll((*it)[2]));
  }
  const auto has = [&kb](std::initializer_list<const char*> keys) {
    return std::all_of(keys.begin(), keys.end(), [&kb](const char* key) { return kb.count(key); });
  };
  FreeShares shares;
  if (has({"MemTotal", "MemAvailable"}) && available) {
    shares.ram = free_share(kb["MemAvailable"], kb["MemTotal"], false);
  } else if (has({"MemTotal", "MemFree", "Buffers", "Cached"}) && available) {
    shares.ram = free_share(kb["MemFree"] + kb["Buffers"] + kb["Cached"], kb["MemTotal"], false);
  } else if (has({"MemTotal", "MemFree"}) && !available) {
    shares.ram = free_share(kb["MemFree"], kb["MemTotal"], false);
  }
  if (has({"SwapTotal", "SwapFree"}))
    shares.swap = free_share(kb["SwapFree"], kb["SwapTotal"], true);
  return shares;
}

MemoryCheck::FreeShares MemoryCheck::parse_top(utils::LineReader& output) {
  enum Kind { none, mem, swap, memory };
  static const char* const unknown_format[] = {"", "Unknown MEM format", "Unknown SWAP format",
                                               "Unknown MEMORY format"};
  FreeShares shares;
  std::string line;
  while (!(shares.ram && shares.swap) && output.read_line(line, line_buffer_size)) {
    const std::string text = utils::trim(line);
    const auto data = [&text] { return "\tdata string was : " + text; };
    if (read_labelled(text, shares)) {
      QLOG_TRACE("Read by labels" + data());
      continue;
    }

    const std::vector<Figure> n = numbers_of(text);
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
      shares.ram = free_from_used(n[1], plus(n[1], n[2]), false);
      shares.swap = free_from_used(n[3], n[4], true);
    } else if (text.find("Memory: Real:") != std::string::npos) {
      // Too few numbers for its layout; the shorter layouts mean other things.
      QLOG_WARN(unknown_format[kind]);
      QLOG_DEBUG(data());
    } else if (kind == mem && (n.size() == 4 || n.size() == 5)) {
      QLOG_TRACE("MEM && count in [4,5]" + data());
      shares.ram = free_from_used(n[1], n[0], false);
    } else if (kind == mem && n.size() == 6) {
      QLOG_TRACE("MEM && count is 6" + data());
      const Figure used = plus(plus(n[0], n[2]), n[4]);
      shares.ram = free_from_used(used, plus(plus(plus(used, n[1]), n[3]), n[5]), false);
    } else if (kind == swap && n.size() == 4) {
      QLOG_TRACE("SWAP && count is 4" + data());
      shares.swap = free_from_used(n[1], n[0], true);
    } else if (kind == swap && n.size() == 2) {
      QLOG_TRACE("SWAP && count is 2" + data());
      shares.swap = free_from_used(n[0] - n[1], n[0], true);
    } else if (kind == memory && (n.size() == 4 || n.size() == 5)) {
      QLOG_TRACE("MEMORY && count is " + std::to_string(n.size()) + data());
      const Figure ram_free = n[n.size() - 3];
      shares.ram = free_from_used(n[0] - ram_free, n[0], false);
      shares.swap = free_from_used(n[n.size() - 2] - n.back(), n[n.size() - 2], true);
    } else if (kind != none) {
      QLOG_WARN(unknown_format[kind]);
      QLOG_DEBUG(data());
    }
  }
  output.drain();
  return shares;
}

CheckResult MemoryCheck::judge(const std::map<std::string, std::string>& params,
                               const std::string& limit_name, const std::string& error_prefix,
                               const char* exit_trace) const {
  const std::string name = swap_ ? "Swap" : "RAM";
  const std::string shout = swap_ ? "SWAP" : "RAM";
  return guarded(exit_trace, true, [&] {
    const int limit = params_accessor<int>::get_required_param(params, limit_name, error_prefix);
    QLOG_DEBUG("Executing " + name + " usage check with free limit " + std::to_string(limit));
    const int free_percent = get_memory_usage();
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
