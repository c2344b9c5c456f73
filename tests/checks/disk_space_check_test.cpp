#include "checks/disk_space_check.h"

#include <gtest/gtest.h>

#include "support/check_outcome.h"
#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"
#include "support/text_line_reader.h"

namespace {

using checks::DiskSpaceCheck;
using testing_support::FakeEnv;
using testing_support::read_fixture;

using Strings = std::vector<std::string>;

TEST(DiskSpaceCheck, DefinitionOffersTheMountPoints) {
  for (const bool xpg4 : {false, true}) {
    FakeEnv env;
    if (xpg4) env.files.insert("/usr/xpg4/bin/df");
    const std::string command = xpg4 ? "/usr/xpg4/bin/df -P" : "df -P";
    env.set_fixture(command, "df/mixed.txt");
    // A blank in a mount point leaves its last word; a blank line an empty
    // entry; duplicates stay.
    EXPECT_EQ(DiskSpaceCheck(true, env).combo_values["Disks"],
              (Strings{"/", "/boot", "Share", "/var", "/var", "/full", "/odd", "/proc/x", "/lonely",
                       ""}));
    EXPECT_EQ(env.commands_run(), Strings{command});
  }
}

TEST(ParseDf, Capacity) {
  // The last field is the mount point, compared whole; a disk not listed
  // counts as full.
  const std::pair<const char*, const char*> table[] = {
      {"/", "48"},    {"Share", "95"}, {"/mnt/My Share", "100"},
      {"/var", "45"}, {"/proc/x", ""}, {"/lonely", "100"},
      {"", "100"},    {"/bo", "100"},
  };
  for (const auto& c : table) {
    testing_support::TextLineReader output(read_fixture("df/mixed.txt"));
    EXPECT_EQ(DiskSpaceCheck::parse_capacity(output, c.first), c.second) << c.first;
  }
}

std::string run(const std::map<std::string, std::string>& params) {
  FakeEnv env;
  env.set_fixture("df -P", "df/mixed.txt");
  return testing_support::outcome(DiskSpaceCheck(false, env).execute(params));
}

TEST(DiskSpaceCheck, Results) {
  const std::string limit = "Disk Free Limit [%]";
  EXPECT_EQ(run({{"Disks", "Share"}, {limit, "95"}}), "UP: Disk Share is 95% used");
  EXPECT_EQ(run({{"Disks", "Share"}, {limit, "94"}}),
            "DOWN: Out of disk space on disk Share: 95% used");
  EXPECT_EQ(run({{"Disks", "/gone"}, {limit, "90"}}),
            "DOWN: Out of disk space on disk /gone: 100% used");
  EXPECT_EQ(run({{"Disks", "/proc/x"}, {limit, "90"}}), "ERROR: Unexpected exception");
  EXPECT_EQ(run({{"Disks", "/"}, {limit, "x"}}), "ERROR: Unexpected exception");
}

TEST(DiskSpaceCheck, LogLines) {
  testing_support::LogCapture capture(logger::Logger::Debug);
  EXPECT_EQ(run({}), "ERROR: Required parameter expected");
  EXPECT_EQ(run({{"Disk Free Limit [%]", "90"}}), "ERROR: Required parameter expected");
  run({{"Disks", "/a\nb"}, {"Disk Free Limit [%]", "90"}});
  EXPECT_EQ(capture.messages(),
            (Strings{"Debug: DiskSpaceCheck for check",
                     "Error: Disk space check Error: Disk Free Limit [%] parameter missing.",
                     "Error: Required parameter expected", "Debug: DiskSpaceCheck for check",
                     "Error: Disk space check Error: Disks parameter missing.",
                     "Error: Required parameter expected", "Debug: DiskSpaceCheck for check",
                     "Debug: Executing disk space check for /a\\nb with free limit 90"}));
}

TEST(DiskSpaceCheck, HangingDfTimesOutAndLeavesNothingBehind) {
  testing_support::HangingPrograms programs;
  programs.add("df", read_fixture("df/debian-12.txt"));
  const utils::Env env(1);
  EXPECT_EQ(DiskSpaceCheck(false, env)
                .execute({{"Disks", "/"}, {"Disk Free Limit [%]", "90"}})
                .error_message,
            "Command timed out: df -P");
  EXPECT_TRUE(programs.ended("df"));

  // A definition request still gets its answer, without mount points.
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(DiskSpaceCheck(true, env).combo_values["Disks"], Strings{});
  EXPECT_EQ(capture.messages(), Strings{"Error: Disk space check Error: Command timed out: df -P"});
}

}  // namespace
