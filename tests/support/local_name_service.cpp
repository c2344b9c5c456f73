#include "support/local_name_service.h"

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>

namespace testing_support {

static bool isolated = false;  // set once, before any thread starts

bool isolate_name_service() {
  if (isolated || geteuid() != 0) return isolated;
  char path[] = "/tmp/quor2-resolv-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || close(fd) != 0) return false;
  std::ofstream(path) << "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
  isolated = unshare(CLONE_NEWNS) == 0 &&
             mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
             mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
  unlink(path);  // the bind mount keeps the file's content alive
  return isolated;
}

}  // namespace testing_support
