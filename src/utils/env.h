// The agent's seam to its host: running system commands and the few facts
// about the host that decide which command a check runs. Checks reach the
// host only through an Env, so tests hand them canned output instead.
//
// Also carries the time bound, in whole seconds, of every command and of
// every network exchange of a check. Immutable after construction; shared
// read-only by all session threads.
#ifndef QUOR2_UTILS_ENV_H_
#define QUOR2_UTILS_ENV_H_

#include <memory>
#include <string>

#include "utils/line_reader.h"

namespace utils {

class Env {
 public:
  static constexpr int default_timeout_seconds = 10;

  explicit Env(int timeout_seconds = default_timeout_seconds);
  virtual ~Env() = default;

  // An Env of the real host with the default time bound.
  static const Env& standard();

  int timeout_seconds() const { return timeout_seconds_; }

  // Runs the command line through the shell, bounded by the time bound.
  virtual std::unique_ptr<LineReader> run_command(const std::string& command_line) const;

  virtual bool file_exists(const std::string& path) const;

  // Whether an executable of that name is on the PATH.
  virtual bool program_exists(const std::string& name) const;

  // The operating system's name as uname(2) reports it ("Linux", "SunOS").
  virtual std::string system_name() const;

 private:
  const int timeout_seconds_;
};

}  // namespace utils

#endif  // QUOR2_UTILS_ENV_H_
