// The check "DiskSpace": the used capacity of one mount point, from "df -P",
// against an upper limit. Built for a definition request it offers the mount
// points df lists as the values of "Disks". Built per request; used by one
// thread.
#ifndef QUOR2_CHECKS_DISK_SPACE_CHECK_H_
#define QUOR2_CHECKS_DISK_SPACE_CHECK_H_

#include <memory>
#include <string>
#include <vector>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

extern const std::string diskcheck_error_string;

class DiskSpaceCheck : public CheckBase {
 public:
  DiskSpaceCheck(bool for_params, const utils::Env& env);
  ~DiskSpaceCheck() override;

  std::string get_description() override;
  // Up while the used percentage of "Disks" is at most "Disk Free Limit
  // [%]". A mount point df does not list counts as 100% used.
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // Starts "df -P", or "/usr/xpg4/bin/df -P" where the host has that df.
  std::unique_ptr<utils::CommandOutput> exec_df() const;

  // The mount points df lists, in its order, duplicates kept.
  std::vector<std::string> get_disks() const;

  // The last field of every line of df output after the heading line.
  static std::vector<std::string> parse_mount_points(utils::LineReader& output);

  // The capacity of `disk` in df output without its last character ("45"
  // for 45%): from the first line whose last field is `disk` and that has a
  // field before it; "100" when there is none. The capacity is the field
  // before the last, or, when that does not end in "%" (a mount point with
  // blanks), the nearest field before it of the form 45%. Reads the output
  // to its end.
  static std::string parse_capacity(utils::LineReader& output, const std::string& disk);

 protected:
  std::vector<std::string> list_values(const CheckParameter& parameter) const override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_DISK_SPACE_CHECK_H_
