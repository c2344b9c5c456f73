#include "client/client_options.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using client::ClientOptions;
using client::parse_client_options;

TEST(ClientOptionsTest, DefaultsAndForms) {
  const ClientOptions plain = parse_client_options({"--user", "demo", "list"});
  EXPECT_EQ(plain.host, "127.0.0.1");
  EXPECT_EQ(plain.port, 20012);
  EXPECT_EQ(plain.user, "demo");
  EXPECT_EQ(plain.command, "list");
  EXPECT_FALSE(plain.password_given);
  EXPECT_FALSE(plain.record);

  const ClientOptions all =
      parse_client_options({"run", "--host=::1", "CPU", "--port", "2222", "--user=u",
                            "--password-file", "/tmp/pw", "Load Limit [%]=80", "--record"});
  EXPECT_EQ(all.host, "::1");
  EXPECT_EQ(all.port, 2222);
  EXPECT_EQ(all.user, "u");
  EXPECT_EQ(all.password_file, "/tmp/pw");
  EXPECT_TRUE(all.record);
  EXPECT_EQ(all.command, "run");
  EXPECT_EQ(all.arguments, (std::vector<std::string>{"CPU", "Load Limit [%]=80"}));

  const ClientOptions given = parse_client_options({"--user", "u", "--password", "", "raw", "#"});
  EXPECT_TRUE(given.password_given);
  EXPECT_EQ(given.password, "");

  const ClientOptions dashes = parse_client_options({"--user", "u", "raw", "--", "--record"});
  EXPECT_EQ(dashes.arguments, (std::vector<std::string>{"--record"}));
  EXPECT_FALSE(dashes.record);

  EXPECT_TRUE(parse_client_options({"-h"}).help);
}

TEST(ClientOptionsTest, UnusableLines) {
  const std::vector<std::vector<std::string>> lines = {
      {"list"},
      {"--user", "u"},
      {"--user", "u", "status"},
      {"--user", "u", "list", "extra"},
      {"--user", "u", "define"},
      {"--user", "u", "--port", "65536", "list"},
      {"--user", "u", "--port", "22x", "list"},
      {"--user", "u", "--verbose", "list"},
      {"--user", "u", "list", "--port"},
      {"--user", "u", "--password", "p", "--password-file", "f", "list"},
  };
  for (const auto& line : lines) {
    EXPECT_THROW(parse_client_options(line), std::invalid_argument)
        << ::testing::PrintToString(line);
  }
}

}  // namespace
