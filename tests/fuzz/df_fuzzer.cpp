// The reading of "df -P" output: the mount points it lists, then the
// capacity of each of the first few (and of "/"). A check turns whatever
// the parsers throw into a failed result, so only crashes, undefined
// behaviour and hangs are faults here.
#include <exception>
#include <string>
#include <vector>

#include "checks/disk_space_check.h"
#include "command_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    std::vector<std::string> disks =
        checks::DiskSpaceCheck::parse_mount_points(*fuzz::command_output(data, size));
    if (disks.size() > 3) disks.resize(3);
    disks.push_back("/");
    for (const std::string& disk : disks) {
      checks::DiskSpaceCheck::parse_capacity(*fuzz::command_output(data, size), disk);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
