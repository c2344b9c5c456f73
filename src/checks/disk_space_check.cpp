#include "checks/disk_space_check.h"

#include <boost/regex.hpp>

#include "checks/params_accessor.h"
#include "utils/text.h"

namespace checks {

const std::string diskcheck_error_string = "Disk space check Error: ";

namespace {

const std::size_t line_buffer_size = 255;

const CheckParameter limit{"Disk Free Limit [%]", "longinteger", 100};
const CheckParameter disks{"Disks", "listcombo", 0, "", {}, CheckParameter::kHostValues};

// The whitespace-separated fields of a df line.
std::vector<std::string> fields_of(const std::string& line) {
  static const boost::regex blanks("\\s+");
  return utils::split(utils::trim(line), blanks);
}

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

std::unique_ptr<utils::CommandOutput> DiskSpaceCheck::exec_df() const {
  QLOG_TRACE(" > DiskSpaceCheck::exec_df");
  const std::string program = env.file_exists("/usr/xpg4/bin/df") ? "/usr/xpg4/bin/df" : "df";
  QLOG_TRACE("Executing " + program + " -P");
  std::unique_ptr<utils::CommandOutput> output = run_command({program, "-P"});
  QLOG_TRACE(" < DiskSpaceCheck::exec_df");
  return output;
}

std::vector<std::string> DiskSpaceCheck::get_disks() const {
  QLOG_TRACE(" > DiskSpaceCheck::get_disks");
  const std::vector<std::string> disks = parse_mount_points(*exec_df());
  QLOG_TRACE(" < DiskSpaceCheck::get_disks");
  return disks;
}

std::vector<std::string> DiskSpaceCheck::parse_mount_points(utils::LineReader& output) {
  std::vector<std::string> disks;
  std::string line;
  if (!output.read_line(line, line_buffer_size)) return disks;
  while (output.read_line(line, line_buffer_size)) {
    const std::vector<std::string> fields = fields_of(line);
    if (!fields.empty()) disks.push_back(fields.back());
  }
  return disks;
}

std::string DiskSpaceCheck::parse_capacity(utils::LineReader& output, const std::string& disk) {
  std::string usage = "100";
  std::string line;
  if (!output.read_line(line, line_buffer_size)) return usage;
  while (output.read_line(line, line_buffer_size)) {
    const std::vector<std::string> fields = fields_of(line);
    if (fields.size() >= 2 && fields.back() == disk) {
      // Blanks in the mount point push the capacity column further left.
      static const boost::regex percent("\\d+%");
      std::size_t column = fields.size() - 2;
      if (fields[column].empty() || fields[column].back() != '%') {
        for (std::size_t i = column; i-- > 0;) {
          if (boost::regex_match(fields[i], percent)) {
            column = i;
            break;
          }
        }
      }
      const std::string& capacity = fields[column];
      usage = capacity.substr(0, capacity.empty() ? 0 : capacity.size() - 1);
      break;
    }
  }
  output.drain();
  return usage;
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
    const std::string usage = parse_capacity(*exec_df(), disk);
    const int used = std::stoi(usage);
    const bool up = used <= limit_percent;
    QLOG_TRACE("Disk " + disk + " usage is " + std::to_string(used) + "%");
    const std::string text = up ? "Disk " + disk + " is " + usage + "% used"
                                : "Out of disk space on disk " + disk + ": " + usage + "% used";
    QLOG_TRACE(" < DiskSpaceCheck::execute");
    return CheckResult::verdict(up, text);
  });
}

}  // namespace checks
