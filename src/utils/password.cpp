#include "utils/password.h"

#include <crypt.h>

#include <algorithm>
#include <memory>

namespace utils {

namespace {

const std::string hash_prefix = "{CRYPT}";

// Compares every byte of the longer text, so the time taken does not tell
// how much of a guess was right.
bool equal_in_constant_time(const std::string& a, const std::string& b) {
  const std::size_t length = std::max(a.size(), b.size());
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    difference |= x ^ y;
  }
  return difference == 0;
}

}  // namespace

bool is_password_hash(const std::string& stored) { return stored.rfind(hash_prefix, 0) == 0; }

bool password_matches(const std::string& stored, const std::string& offered) {
  if (!is_password_hash(stored)) return equal_in_constant_time(stored, offered);
  // crypt(3) would stop at a NUL byte and check only the part before it.
  if (offered.find('\0') != std::string::npos) return false;
  const std::string hash = stored.substr(hash_prefix.size());
  // crypt_data is large (about 32 KiB): not for a session thread's stack.
  const auto data = std::make_unique<crypt_data>();
  const char* const computed = crypt_r(offered.c_str(), hash.c_str(), data.get());
  // A failed or unknown method gives null or a text starting with '*'.
  if (computed == nullptr || computed[0] == '*') return false;
  return equal_in_constant_time(hash, computed);
}

std::string hash_password(const std::string& password) {
  char salt[CRYPT_GENSALT_OUTPUT_SIZE];
  if (crypt_gensalt_rn("$y$", 0, nullptr, 0, salt, sizeof(salt)) == nullptr) return "";
  const auto data = std::make_unique<crypt_data>();
  const char* const hash = crypt_r(password.c_str(), salt, data.get());
  if (hash == nullptr || hash[0] == '*') return "";
  return hash_prefix + hash;
}

}  // namespace utils
