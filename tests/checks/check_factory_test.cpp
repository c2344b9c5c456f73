#include "checks/check_factory.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fake_env.h"
#include "support/log_capture.h"

namespace {

using checks::CheckFactory;

CheckFactory factory_of(const CheckIdSet& ids) {
  return CheckFactory(ids, std::make_shared<testing_support::FakeEnv>());
}

TEST(CheckFactory, NothingOffered) {
  testing_support::LogCapture capture(logger::Logger::Error);
  const CheckFactory factory = factory_of({});
  EXPECT_EQ(factory.list_checks(), (std::pair<int, std::string>{0, "#"}));
  EXPECT_EQ(factory.get_check("CPU", false)->get_description(), "Unknown check");
  EXPECT_EQ(capture.messages(), std::vector<std::string>{"Error: Unknown check CPU"});
}

TEST(CheckFactory, IdsAreCaseSensitiveAndUnknownIdsIgnored) {
  const CheckFactory factory = factory_of({"cpu", "XYZ", ""});
  EXPECT_EQ(factory.list_checks().first, 0);
  EXPECT_EQ(factory.get_check("", true)->get_description(), "Unknown check");
}

TEST(CheckFactory, ListsAllNineInIdOrderBuildingEachOnce) {
  testing_support::LogCapture capture;
  const CheckFactory factory = factory_of(
      {"URL", "Swap", "SNMP", "RAM", "Processes", "Ping", "DiskSpace", "Certificate", "CPU"});
  EXPECT_EQ(factory.list_checks(),
            (std::pair<int, std::string>{
                9,
                "#checkid1=CPU#checkdescription1=CPU Usage#available1=true"
                "#checkid2=Certificate#checkdescription2=Certificate validity test#available2=true"
                "#checkid3=DiskSpace#checkdescription3=DiskSpace Usage#available3=true"
                "#checkid4=Ping#checkdescription4=Host or IP ping test#available4=true"
                "#checkid5=Processes#checkdescription5=Running processes#available5=true"
                "#checkid6=RAM#checkdescription6=RAM Usage#available6=true"
                "#checkid7=SNMP#checkdescription7=SNMP v2c value check#available7=true"
                "#checkid8=Swap#checkdescription8=Swap Usage#available8=true"
                "#checkid9=URL#checkdescription9=URL status test#available9=true#"}));
  const std::vector<std::string> messages = capture.messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Debug: CpuCheck for check"), 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Debug: SnmpCheck for check"), 1);
}

}  // namespace
