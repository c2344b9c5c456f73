// The agent's seam to its host: running system commands, reading files, and
// the few facts about the host that decide which command a check runs.
// Checks reach the host only through an Env, so tests hand them canned
// output instead.
//
// Also carries what the configuration says of all checks: the time bounds
// (`timeout_seconds`, of one system command or one network exchange, and
// `check_seconds`, of a whole check run) and whether the RAM check counts
// the memory the kernel can hand back as free (agent.ramFree).
// Immutable after construction; shared read-only by all session threads.
#ifndef QUOR2_UTILS_ENV_H_
#define QUOR2_UTILS_ENV_H_

#include <memory>
#include <string>
#include <vector>

#include "utils/command_output.h"
#include "utils/run_limit.h"

namespace utils {

class Env {
 public:
  static constexpr int default_timeout_seconds = 10;
  // A whole check may take as long as this many commands or exchanges.
  static constexpr int check_timeouts = 6;

  explicit Env(int timeout_seconds = default_timeout_seconds, bool ram_available = false);
  virtual ~Env() = default;

  // An Env of the real host with the default time bound.
  static const Env& standard();

  int timeout_seconds() const { return timeout_seconds_; }
  int check_seconds() const { return check_timeouts * timeout_seconds_; }
  bool ram_available() const { return ram_available_; }

  // Starts the program argv[0] (looked up on the PATH) with `argv`, no
  // shell involved, bounded by `limit`.
  virtual std::unique_ptr<CommandOutput> run_command(const std::vector<std::string>& argv,
                                                     const RunLimit& limit) const;

  // The content of a (small) file; false when it cannot be read.
  virtual bool read_file(const std::string& path, std::string& content) const;

  virtual bool file_exists(const std::string& path) const;

  // Whether an executable of that name is on the PATH.
  virtual bool program_exists(const std::string& name) const;

  // The operating system's name as uname(2) reports it ("Linux", "SunOS").
  virtual std::string system_name() const;

 private:
  const int timeout_seconds_;
  const bool ram_available_;
};

}  // namespace utils

#endif  // QUOR2_UTILS_ENV_H_
