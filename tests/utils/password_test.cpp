#include "utils/password.h"

#include <gtest/gtest.h>

namespace {

TEST(Password, Matches) {
  const std::string sha512 =
      "{CRYPT}$6$quor2salt$5x5.v16JGzmJYmChJyUgzeeptPtTFQggwWmhEI3s2/"
      "lkxyEzg4aOjlb8WGSKhQoZJo8huLjCM4IOzST8BVQJM.";
  const std::string sha256 = "$5$quor2salt$9KXZ2GWFg/tVZdqPNdt/Qx2ts/D.9O8UXHSxlGL2U4D";
  const std::string yescrypt = utils::hash_password("secret");
  ASSERT_EQ(yescrypt.rfind("{CRYPT}$y$", 0), 0u) << yescrypt;
  EXPECT_NE(utils::hash_password("secret"), yescrypt);  // a fresh salt each time
  const struct {
    std::string stored, offered;
    bool matches;
  } rows[] = {
      {"secret", "secret", true},
      {"secret", "secre", false},
      {"secret", "secret ", false},
      {"", "", true},
      {sha512, "secret", true},
      {"{CRYPT}" + sha256, "secret", true},
      {yescrypt, "secret", true},
      {sha512, "Secret", false},
      {sha512, "", false},
      {sha512, sha512, false},  // the hash is no password
      {sha512, sha512.substr(7), false},
      {sha512, std::string("secret\0tail", 11), false},
      {"{CRYPT}", "", false},
      {"{CRYPT}*", "*", false},
      {"{CRYPT}$9$unknown$method", "secret", false},
      {"{crypt}" + sha256, "secret", false},
  };
  for (const auto& c : rows) {
    EXPECT_EQ(utils::password_matches(c.stored, c.offered), c.matches)
        << c.stored << " / " << c.offered;
  }
}

}  // namespace
