#include "support/host_key.h"

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

void make_rsa_host_key(const std::string& folder) {
  const std::string command =
      "ssh-keygen -q -t rsa -b 2048 -N '' -f '" + folder + "/ssh_host_rsa_key' </dev/null";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("ssh-keygen failed");
}

}  // namespace testing_support
