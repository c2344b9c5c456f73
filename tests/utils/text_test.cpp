#include "utils/text.h"

#include <gtest/gtest.h>

#include <boost/regex.hpp>

namespace {

using Pieces = std::vector<std::string>;

TEST(Split, FollowsTokenIteratorRules) {
  const boost::regex comma("\\s*,\\s*");
  EXPECT_EQ(utils::split("", comma), Pieces{});
  EXPECT_EQ(utils::split("CPU", comma), Pieces{"CPU"});
  EXPECT_EQ(utils::split("CPU , RAM,Swap", comma), (Pieces{"CPU", "RAM", "Swap"}));
  EXPECT_EQ(utils::split(",CPU", comma), (Pieces{"", "CPU"}));
  EXPECT_EQ(utils::split("CPU,,RAM", comma), (Pieces{"CPU", "", "RAM"}));
  EXPECT_EQ(utils::split("CPU,", comma), Pieces{"CPU"});
  EXPECT_EQ(utils::split(" ", boost::regex("\\s+")), (Pieces{""}));
}

TEST(Trim, FrontBlanksOnlyBackAllWhitespace) {
  EXPECT_EQ(utils::trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(utils::trim("\ta"), "\ta");
  EXPECT_EQ(utils::trim("   "), "   ");
  EXPECT_EQ(utils::trim(" \r\n"), "\r\n");
  EXPECT_EQ(utils::trim("\r\n"), "\r\n");
  EXPECT_EQ(utils::trim(""), "");
  EXPECT_EQ(utils::trim("x"), "x");
}

TEST(ToString, FixedDecimals) {
  EXPECT_EQ(utils::to_string(12.3, 2), "12.30");
  EXPECT_EQ(utils::to_string(12.3456, 2), "12.35");
  EXPECT_EQ(utils::to_string(7.6, 0), "8");
  EXPECT_EQ(utils::to_string(1e7, 1), "10000000.0");
}

TEST(PathCombine, JoinsWithOneSlash) {
  EXPECT_EQ(utils::path_combine("", "key"), "/key");
  EXPECT_EQ(utils::path_combine("/etc/quor2", "key"), "/etc/quor2/key");
  EXPECT_EQ(utils::path_combine("/etc/quor2/", "key"), "/etc/quor2/key");
}

}  // namespace
