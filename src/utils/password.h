// Passwords of the [password] section: stored in clear or as "{CRYPT}"
// followed by a crypt(3) hash ($y$ yescrypt, $6$ SHA-512, $5$ SHA-256).
// Free functions without state; any thread may call them.
#ifndef QUOR2_UTILS_PASSWORD_H_
#define QUOR2_UTILS_PASSWORD_H_

#include <string>

namespace utils {

// Whether `offered` is the password `stored` describes. A clear password is
// compared in constant time; a hash through libcrypt, and the hash text
// itself is never accepted as the password.
bool password_matches(const std::string& stored, const std::string& offered);

// The "{CRYPT}$y$..." value for `password` with a fresh random salt; empty
// when libcrypt cannot make one.
std::string hash_password(const std::string& password);

// Whether `stored` is a hash rather than a clear password.
bool is_password_hash(const std::string& stored);

}  // namespace utils

#endif  // QUOR2_UTILS_PASSWORD_H_
