#include "checks/disk_space_check.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <set>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

const std::string diskcheck_error_string = "Disk space check Error: ";

namespace {

const CheckParameter limit{"Disk Free Limit [%]", "longinteger", 100};
const CheckParameter disks{"Disks", "listcombo", 0, "", {}, CheckParameter::kHostValues};

// What the reading of df output throws when it does not list the disk.
struct NotListed : std::exception {};

}  // namespace

DiskSpaceCheck::DiskSpaceCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > DiskSpaceCheck::DiskSpaceCheck");
  QLOG_DEBUG(std::string("DiskSpaceCheck ") + (for_params ? "for params" : "for check"));
  declare({limit, disks}, for_params, diskcheck_error_string);
  QLOG_TRACE(" < DiskSpaceCheck::DiskSpaceCheck");
}

DiskSpaceCheck::~DiskSpaceCheck() {
  QLOG_TRACE(" > DiskSpaceCheck::~DiskSpaceCheck");
  QLOG_TRACE(" < DiskSpaceCheck::~DiskSpaceCheck");
}

std::string DiskSpaceCheck::get_description() { return "DiskSpace Usage"; }

std::vector<std::string> DiskSpaceCheck::list_values(const CheckParameter&) const {
  return get_disks();
}

void DiskSpaceCheck::read_df(const std::function<void(const std::vector<Mount>&)>& use) const {
  QLOG_TRACE(" > DiskSpaceCheck::read_df");
  const std::string program = env.file_exists("/usr/xpg4/bin/df") ? "/usr/xpg4/bin/df" : "df";
  QLOG_TRACE("Executing " + program + " -P");
  read_command({program, "-P"}, [&use](utils::LineReader& output) { use(parse_df(output)); });
  QLOG_TRACE(" < DiskSpaceCheck::read_df");
}

std::vector<std::string> DiskSpaceCheck::get_disks() const {
  QLOG_TRACE(" > DiskSpaceCheck::get_disks");
  std::vector<std::string> disks;
  read_df([&disks](const std::vector<Mount>& mounts) {
    for (const Mount& mount : mounts) disks.push_back(mount.point);
  });
  QLOG_TRACE(" < DiskSpaceCheck::get_disks");
  return disks;
}

std::vector<DiskSpaceCheck::Mount> DiskSpaceCheck::parse_df(utils::LineReader& output) {
  static const boost::regex columns(
      "(?:^|\\s)(?:\\d+|-)\\s+(?:\\d+|-)\\s+(?:\\d+|-)\\s+(\\d{1,9})%\\s+(.+)$");
  std::string line;
  if (!output.read_line(line)) throw std::runtime_error("Unexpected df output: no heading line");
  std::vector<Mount> mounts;
  std::string device;  // a name df printed on a line of its own
  while (output.read_line(line)) {
    std::string text = utils::trim(line);
    if (!device.empty() && (line[0] == ' ' || line[0] == '\t')) text = device + " " + text;
    device.clear();
    boost::smatch match;
    const std::string::size_type blank = text.find_last_of(" \t");
    if (boost::regex_search(text, match, columns)) {
      // BSD's df shows more than 100% once root's reserve is in use: full.
      mounts.push_back({match[2], std::min(std::stoi(match[1]), 100)});
    } else if (blank == std::string::npos) {
      device = text;
    } else {
      mounts.push_back({text.substr(blank + 1), std::nullopt});
    }
  }
  return mounts;
}

std::optional<int> DiskSpaceCheck::capacity_of(const std::vector<Mount>& mounts,
                                               const std::string& disk) {
  const Mount* found = nullptr;
  const Mount* by_last_word = nullptr;
  std::set<std::string> ending;  // the mount points with blanks whose last word is `disk`
  for (const Mount& mount : mounts) {
    if (selects(disk, mount.point)) {
      found = &mount;
      break;
    }
    const std::string::size_type blank = mount.point.find_last_of(" \t");
    if (blank == std::string::npos || !selects(disk, mount.point.substr(blank + 1))) continue;
    if (ending.empty()) by_last_word = &mount;
    ending.insert(mount.point);
  }
  if (found == nullptr && ending.size() > 1) {
    throw std::runtime_error("The selected disk is the last word of " +
                             std::to_string(ending.size()) + " mount points; select it again");
  }
  if (found == nullptr) found = by_last_word;
  if (found == nullptr) return std::nullopt;
  if (!found->capacity) throw std::runtime_error("Unexpected df output: no capacity for the disk");
  return found->capacity;
}

CheckResult DiskSpaceCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > DiskSpaceCheck::execute");
  return guarded(" < DiskSpaceCheck::execute", true, [&] {
    const int limit_percent =
        params_accessor<int>::get_required_param(params, limit.name, diskcheck_error_string);
    const std::string disk =
        params_accessor<std::string>::get_required_param(params, disks.name, diskcheck_error_string);
    QLOG_DEBUG("Executing disk space check for " + disk + " with free limit " +
               std::to_string(limit_percent));
    std::optional<int> capacity;
    try {
      read_df([&](const std::vector<Mount>& mounts) {
        capacity = capacity_of(mounts, disk);
        if (!capacity) throw NotListed();
      });
    } catch (const NotListed&) {  // by a df that ran well
    }
    const int used = capacity ? *capacity : 100;
    const bool up = used <= limit_percent;
    const std::string usage = std::to_string(used);
    QLOG_TRACE("Disk " + disk + " usage is " + usage + "%");
    const std::string text = up ? "Disk " + disk + " is " + usage + "% used"
                                : "Out of disk space on disk " + disk + ": " + usage + "% used";
    QLOG_TRACE(" < DiskSpaceCheck::execute");
    return CheckResult::verdict(up, text);
  });
}

}  // namespace checks
