// An RSA host key made with ssh-keygen for agents started by tests.
#ifndef QUOR2_TESTS_SUPPORT_HOST_KEY_H_
#define QUOR2_TESTS_SUPPORT_HOST_KEY_H_

#include <string>

namespace testing_support {

// Writes <folder>/ssh_host_rsa_key (and .pub); throws when ssh-keygen fails.
void make_rsa_host_key(const std::string& folder);

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_HOST_KEY_H_
