// The forced command of the benchmark's sshd: the agent's greeting, then the
// agent's listing as the answer to every read, so that OpenSSH moves the
// same bytes as the agent does. Ends at end of input.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bench_records.h"

namespace {

bool write_all(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(STDOUT_FILENO, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

int main() {
  if (!write_all(bench::greeting, std::strlen(bench::greeting))) return 1;
  char buffer[2048];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    if (!write_all(bench::listing, std::strlen(bench::listing))) return 1;
  }
}
