#include "checks/check_factory.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/check_listing.h"
#include "support/fake_env.h"
#include "support/log_capture.h"
#include "utils/params.h"

namespace {

using checks::CheckFactory;

CheckFactory factory_of(const CheckIdSet& ids) {
  return CheckFactory(ids, std::make_shared<testing_support::FakeEnv>());
}

TEST(CheckFactory, NothingOffered) {
  testing_support::LogCapture capture(logger::Logger::Error);
  const CheckFactory factory = factory_of({});
  EXPECT_EQ(factory.offered_count(), 0u);
  EXPECT_TRUE(factory.list_checks().empty());
  EXPECT_EQ(factory.get_check("CPU", false)->get_description(), "Unknown check");
  EXPECT_EQ(capture.messages(), std::vector<std::string>{"Error: Unknown check CPU"});
}

TEST(CheckFactory, IdsAreCaseSensitiveAndUnknownIdsIgnored) {
  const CheckFactory factory = factory_of({"cpu", "XYZ", ""});
  EXPECT_EQ(factory.offered_count(), 0u);
  EXPECT_EQ(factory.get_check("", true)->get_description(), "Unknown check");
}

TEST(CheckFactory, ListsAllNineInIdOrderBuildingEachOnce) {
  testing_support::LogCapture capture;
  const CheckFactory factory = factory_of(
      {"URL", "Swap", "SNMP", "RAM", "Processes", "Ping", "DiskSpace", "Certificate", "CPU"});
  EXPECT_EQ(factory.offered_count(), 9u);
  EXPECT_EQ(utils::params_list_to_string(factory.list_checks()),
            testing_support::all_checks_listing);
  const std::vector<std::string> messages = capture.messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Debug: CpuCheck for check"), 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Debug: SnmpCheck for check"), 1);
}

}  // namespace
