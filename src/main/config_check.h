// `quor2 --check-config FILE`: reads a configuration file as the agent
// would and tells the administrator what the agent would make of it.
//
// Prints the effective settings (passwords masked) and every problem found:
// errors that keep the agent from starting or serving (a file that does not
// parse, no host key that loads, a log file that cannot be opened, a port
// out of range) and warnings about what it would quietly ignore or refuse
// (bad firewall lines, ranges no address is in, unknown check ids, a DSA
// key that does not load, a file others can read, own check files it
// refuses), and the host keys and own checks that load. Used by main() alone, before any thread starts.
#ifndef QUOR2_MAIN_CONFIG_CHECK_H_
#define QUOR2_MAIN_CONFIG_CHECK_H_

#include <ostream>
#include <string>
#include <vector>

class ConfigCheck {
 public:
  explicit ConfigCheck(const std::string& path);

  // Writes the report; the exit status: 0 when the agent would start, 255
  // otherwise.
  int report(std::ostream& out) const;

  const std::vector<std::string>& errors() const { return errors_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

  // Whether users other than the owner may read the file at `path`.
  static bool readable_by_others(const std::string& path);

 private:
  void check(const std::string& path);

  std::vector<std::string> settings_;  // "key = value" lines
  std::vector<std::string> errors_;
  std::vector<std::string> warnings_;
};

#endif  // QUOR2_MAIN_CONFIG_CHECK_H_
