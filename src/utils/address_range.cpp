#include "utils/address_range.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <boost/regex.hpp>

#include "utils/text.h"

namespace utils {

namespace {

int family_of(const std::string& text) {
  return text.find(':') == std::string::npos ? AF_INET : AF_INET6;
}

bool to_bytes(int family, const std::string& text, std::array<unsigned char, 16>& bytes) {
  bytes.fill(0);
  return inet_pton(family, text.c_str(), bytes.data()) == 1;
}

// Digits only, so that "8x" or "-1" are no prefix.
bool to_prefix(const std::string& text, int most, int& prefix) {
  if (text.empty() || text.size() > 3) return false;
  prefix = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    prefix = prefix * 10 + (c - '0');
  }
  return prefix <= most;
}

}  // namespace

std::optional<AddressRange> AddressRange::parse(const std::string& text) {
  static const boost::regex hyphen("\\s*-\\s*");
  AddressRange range;
  const std::size_t slash = text.find('/');
  if (slash != std::string::npos) {
    const std::string address = text.substr(0, slash);
    const int family = family_of(address);
    const int bits = family == AF_INET ? 32 : 128;
    int prefix = 0;
    if (!to_bytes(family, address, range.low_) ||
        !to_prefix(text.substr(slash + 1), bits, prefix)) {
      return std::nullopt;
    }
    range.family_ = family;
    range.high_ = range.low_;
    for (int bit = prefix; bit < bits; ++bit) {
      const unsigned char mask = static_cast<unsigned char>(0x80 >> (bit % 8));
      range.low_[bit / 8] &= static_cast<unsigned char>(~mask);
      range.high_[bit / 8] |= mask;
    }
    range.text_ = text;
    return range;
  }
  const std::vector<std::string> bounds = split(text, hyphen);
  if (bounds.size() != 2 || family_of(bounds[0]) != family_of(bounds[1])) return std::nullopt;
  const int family = family_of(bounds[0]);
  if (to_bytes(family, bounds[0], range.low_) && to_bytes(family, bounds[1], range.high_)) {
    range.family_ = family;
  }
  range.text_ = bounds[0] + " - " + bounds[1];
  return range;
}

bool AddressRange::contains(const std::string& address) const {
  Bytes value;
  if (family_ == 0 || !to_bytes(family_, address, value)) return false;
  return low_ <= value && value <= high_;
}

}  // namespace utils
