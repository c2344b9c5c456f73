// The checks of the administrator's own: the definition files ("*.ini") of
// one folder, read once at start-up in name order.
//
// A file is used only when it and the folder belong to root or to the
// agent's effective user and neither is writable by group or others (as
// sshd's StrictModes); the file's own status is taken from the file as it
// is read, so a link cannot swap it meanwhile. Every file refused, for
// that or because it is malformed, gives one Error line naming it and the
// reason; the others load. A folder that does not exist holds no checks.
// Built on the main thread before any session starts; read-only after.
#ifndef QUOR2_CHECKS_OWN_CHECK_FOLDER_H_
#define QUOR2_CHECKS_OWN_CHECK_FOLDER_H_

#include <string>
#include <vector>

#include "checks/own_check_definition.h"

namespace checks {

class OwnCheckFolder {
 public:
  // Reads the folder `path` (empty: none). An id among `reserved_ids` (the
  // built-in checks') or of an earlier file is refused.
  OwnCheckFolder(const std::string& path, const std::vector<std::string>& reserved_ids);

  // Definition files larger than this are refused.
  static constexpr std::size_t max_file_size = 64 * 1024;

  const OwnChecks& checks() const { return checks_; }

  // "<file>: <reason>" for every file refused, or for the folder itself.
  const std::vector<std::string>& refused() const { return refused_; }

 private:
  void load(const std::string& file, const std::vector<std::string>& reserved_ids);
  void refuse(const std::string& path, const std::string& reason);

  OwnChecks checks_;
  std::vector<std::string> refused_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_OWN_CHECK_FOLDER_H_
