// One range of client addresses of the per-user firewall, as an
// administrator writes it: "first - last" (inclusive, both of one family)
// or a CIDR block "address/prefix". Parsed once from the settings into
// binary form; an immutable value that any thread may read.
#ifndef QUOR2_UTILS_ADDRESS_RANGE_H_
#define QUOR2_UTILS_ADDRESS_RANGE_H_

#include <array>
#include <optional>
#include <string>

namespace utils {

class AddressRange {
 public:
  // Nothing when `text` is neither form. The family of a range is judged by
  // a colon in its bounds; a range whose bounds do not convert is kept but
  // holds no address, so a typo there locks the user out rather than in.
  static std::optional<AddressRange> parse(const std::string& text);

  // Whether `address` (inet_ntop text) lies in the range; an address of the
  // other family never does.
  bool contains(const std::string& address) const;

  // Whether no address lies in the range.
  bool empty() const { return family_ == 0 || high_ < low_; }

  // The range as written, a range's bounds joined by " - ".
  const std::string& text() const { return text_; }

 private:
  using Bytes = std::array<unsigned char, 16>;  // network order, IPv4 in the first 4

  int family_ = 0;  // AF_INET or AF_INET6; 0 when the bounds do not convert
  Bytes low_{};
  Bytes high_{};
  std::string text_;
};

}  // namespace utils

#endif  // QUOR2_UTILS_ADDRESS_RANGE_H_
