#include "utils/env.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <boost/regex.hpp>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "utils/command_pipe.h"
#include "utils/text.h"

namespace utils {

Env::Env(int timeout_seconds, bool ram_available)
    : timeout_seconds_(timeout_seconds), ram_available_(ram_available) {}

const Env& Env::standard() {
  static const Env env;
  return env;
}

std::unique_ptr<CommandOutput> Env::run_command(const std::vector<std::string>& argv,
                                                const RunLimit& limit) const {
  return std::make_unique<CommandPipe>(argv, limit);
}

bool Env::read_file(const std::string& path, std::string& content) const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  content = text.str();
  return !in.bad();
}

bool Env::file_exists(const std::string& path) const {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

bool Env::program_exists(const std::string& name) const {
  const char* path = std::getenv("PATH");
  static const boost::regex colon(":");
  for (const std::string& folder : split(path != nullptr ? path : "/usr/bin:/bin", colon)) {
    if (!folder.empty() && access(path_combine(folder, name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string Env::system_name() const {
  struct utsname names;
  return uname(&names) == 0 ? names.sysname : "";
}

}  // namespace utils
