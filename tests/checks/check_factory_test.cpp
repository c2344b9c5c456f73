#include "checks/check_factory.h"

#include <gtest/gtest.h>

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

TEST(CheckFactory, ListsOfferedChecks) {
  testing_support::LogCapture capture;
  const CheckFactory factory = factory_of({"CPU"});
  EXPECT_EQ(factory.list_checks(),
            (std::pair<int, std::string>{
                1, "#checkid1=CPU#checkdescription1=CPU Usage#available1=true#"}));
  EXPECT_TRUE(capture.contains("Debug: CpuCheck for check"));
  EXPECT_EQ(factory.get_check("CPU", true)->get_params_definition(),
            "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#");
}

TEST(CheckFactory, NetworkChecksAreListedInIdOrder) {
  const CheckFactory factory = factory_of({"URL", "Ping", "Certificate", "CPU"});
  EXPECT_EQ(factory.list_checks(),
            (std::pair<int, std::string>{
                4,
                "#checkid1=CPU#checkdescription1=CPU Usage#available1=true"
                "#checkid2=Certificate#checkdescription2=Certificate validity test#available2=true"
                "#checkid3=Ping#checkdescription3=Host or IP ping test#available3=true"
                "#checkid4=URL#checkdescription4=URL status test#available4=true#"}));
}

}  // namespace
