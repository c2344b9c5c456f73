// The check "DiskSpace": the used capacity of one mount point, from "df -P",
// against an upper limit. Built for a definition request it offers the mount
// points df lists as the values of "Disks". Built per request; used by one
// thread.
#ifndef QUOR2_CHECKS_DISK_SPACE_CHECK_H_
#define QUOR2_CHECKS_DISK_SPACE_CHECK_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checks/check_base.h"
#include "utils/line_reader.h"

namespace checks {

extern const std::string diskcheck_error_string;

class DiskSpaceCheck : public CheckBase {
 public:
  // One file system as df lists it.
  struct Mount {
    std::string point;            // the mount point, blanks included
    std::optional<int> capacity;  // used percent, at most 100; empty when its line has none
  };

  DiskSpaceCheck(bool for_params, const utils::Env& env);
  ~DiskSpaceCheck() override;

  std::string get_description() override;
  // Up while the used percentage of "Disks" is at most "Disk Free Limit
  // [%]". A mount point that a df which ran well does not list counts as
  // 100% used.
  CheckResult execute(const std::map<std::string, std::string>& params) override;

  // Runs "df -P" ("/usr/xpg4/bin/df -P" where the host has that df) and
  // hands the mounts it lists to `use`; throws as read_command does.
  void read_df(const std::function<void(const std::vector<Mount>&)>& use) const;

  // The mount points df lists, in its order, duplicates kept. Throws when
  // df could not run or printed no heading.
  std::vector<std::string> get_disks() const;

  // The file systems of df output, in its order, duplicates kept. Each line
  // is read whole: the capacity is the first "<digits>%" after three
  // columns of figures, the mount point all that follows it. A device name
  // df printed on a line of its own joins the next line when that begins
  // with a blank; a line without a capacity gives its last word. Throws
  // std::runtime_error when there is not even a heading line.
  static std::vector<Mount> parse_df(utils::LineReader& output);

  // The used percent of `disk`: of the first mount whose point, or that
  // point as the record writer escapes it, is `disk`; else of the one mount
  // point with blanks whose last word it is (what servers stored before).
  // Empty when none is. Throws std::runtime_error when that line has no
  // capacity, or several mount points end in `disk`.
  static std::optional<int> capacity_of(const std::vector<Mount>& mounts, const std::string& disk);

 protected:
  std::vector<std::string> list_values(const CheckParameter& parameter) const override;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_DISK_SPACE_CHECK_H_
