#include <gtest/gtest.h>

#include "support/fake_env.h"
#include "utils/address_range.h"
#include "utils/password.h"

namespace {

using utils::AddressRange;

// Ranges "a - b" and CIDR blocks, of either family: "|" ends each address
// that the range holds, "-" each that it does not (the first: no address).
TEST(AddressRange, Contains) {
  const std::pair<const char*, const char*> rows[] = {
      {"10.0.0.1 - 10.0.0.9", "-10.0.0.1|10.0.0.9|10.0.0.10-9.255.255.255-::ffff:10.0.0.5-"},
      {"192.168.1.10-192.168.2.5", "192.168.2.1|"},
      {"10.0.0.9 - 10.0.0.1", "10.0.0.5-"},  // empty
      {"2001:db8::ff - 2001:db8::1:ff", "2001:db8::1:0|fe80::100-127.0.0.1-"},
      {"10.9.9.9/8", "10.0.0.1|10.255.255.255|11.0.0.0-"},  // host bits are ignored
      {"192.0.2.7/32", "192.0.2.7|192.0.2.8-"},
      {"192.0.2.0/25", "192.0.2.127|192.0.2.128-"},
      {"0.0.0.0/0", "255.255.255.255|::1-"},
      {"2001:db8::/32", "2001:db8:ffff::1|2001:db9::-"},
      {"::/0", "ffff::1|127.0.0.1-"},
      {"10.0.0.1 - 10.0.0.256", "10.0.0.5-"},  // bounds that do not convert hold nothing
  };
  for (const auto& c : rows) {
    const auto range = AddressRange::parse(c.first);
    ASSERT_TRUE(range) << c.first;
    std::string held;
    for (std::string rest = c.second; !rest.empty();) {
      const std::string address = rest.substr(0, rest.find_first_of("|-"));
      held += address + (range->contains(address) ? "|" : "-");
      rest.erase(0, address.size() + 1);
    }
    EXPECT_EQ(held, c.second) << c.first;
  }
  for (const char* text : {"", "10.0.0.1", "10.0.0.1 - ::1", "10.0.0.1 - 2 - 3", "10.0.0.0/33",
                           "::/129", "10.0.0.0/", "10.0.0.0/8x", "10.0.0.0/-1", "host/8"}) {
    EXPECT_FALSE(AddressRange::parse(text)) << text;
  }
  EXPECT_EQ(AddressRange::parse("10.0.0.1-10.0.0.9")->text(), "10.0.0.1 - 10.0.0.9");
  EXPECT_EQ(AddressRange::parse("10.0.0.0/8")->text(), "10.0.0.0/8");
  EXPECT_TRUE(AddressRange::parse("10.0.0.9 - 10.0.0.1")->empty());
  EXPECT_FALSE(AddressRange::parse("10.0.0.1 - 10.0.0.9")->empty());
}

// Stored as plain text or as a {CRYPT} hash; the hash itself is no password.
TEST(Password, Matches) {
  const std::string sha512 =
      "{CRYPT}$6$quor2salt$5x5.v16JGzmJYmChJyUgzeeptPtTFQggwWmhEI3s2/"
      "lkxyEzg4aOjlb8WGSKhQoZJo8huLjCM4IOzST8BVQJM.";
  const std::string sha256 = "$5$quor2salt$9KXZ2GWFg/tVZdqPNdt/Qx2ts/D.9O8UXHSxlGL2U4D";
  const std::string yescrypt = utils::hash_password("secret");
  ASSERT_EQ(yescrypt.rfind("{CRYPT}$y$", 0), 0u) << yescrypt;
  EXPECT_NE(utils::hash_password("secret"), yescrypt);  // a fresh salt each time
  // clang-format off
  const struct {
    std::string stored, offered;
    bool matches;
  } rows[] = {
      {"secret", "secret", true}, {"secret", "secret ", false}, {"secret", "secre", false},
      {"secret", "", false}, {"", "", true}, {"", "x", false},
      {sha512, "secret", true}, {"{CRYPT}" + sha256, "secret", true}, {yescrypt, "secret", true},
      {sha512, "Secret", false}, {sha512, "", false}, {sha512, sha512, false},
      {sha512, sha512.substr(7), false}, {sha512, std::string("secret\0tail", 11), false},
      {"{CRYPT}", "", false}, {"{CRYPT}*", "*", false}, {"{CRYPT}$9$unknown$method", "secret", false},
      {"{crypt}" + sha256, "secret", false}};
  // clang-format on
  for (const auto& c : rows) {
    EXPECT_EQ(utils::password_matches(c.stored, c.offered), c.matches)
        << c.stored << " / " << c.offered;
  }
}

// Lines as fgets() reads them into a buffer of `buffer` bytes ("|" after
// each), whatever the size of the reads underneath; drain() ends the rest.
TEST(LineReader, ReadsLikeFgets) {
  const struct {
    std::string text;
    std::size_t buffer;
    const char* lines;
  } rows[] = {
      {"a\nbb\n", 255, "a\n|bb\n|"},
      {"a\nlast", 255, "a\n|last|"},
      {"abcdefg\n", 4, "abc|def|g\n|"},  // pieces of buffer - 1 bytes
      {"ab\n\n", 4, "ab\n|\n|"},
      {std::string("ab\0cd\nx\n", 8), 255, "ab|x\n|"},  // cut at a zero byte
  };
  for (const std::size_t chunk : {1u, 3u, 4096u}) {
    for (const auto& c : rows) {
      testing_support::TextLineReader reader(c.text, chunk);
      std::string lines;
      for (std::string line; reader.read_line(line, c.buffer);) lines += line + "|";
      EXPECT_EQ(lines, c.lines) << c.text << " in reads of " << chunk;
    }
  }
  testing_support::TextLineReader reader("1\n2\n3\n", 1);
  std::string line;
  reader.drain();
  EXPECT_FALSE(reader.read_line(line, 255));
}

}  // namespace
