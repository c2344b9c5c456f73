#include "support/hanging_programs.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "support/agent_process.h"

namespace testing_support {

namespace {

bool alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const std::string::size_type close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

}  // namespace

HangingPrograms::HangingPrograms() {
  const char* path = getenv("PATH");
  saved_path_ = path != nullptr ? path : "/usr/bin:/bin";
  setenv("PATH", (dir_.path() + ":" + saved_path_).c_str(), 1);
}

HangingPrograms::~HangingPrograms() { setenv("PATH", saved_path_.c_str(), 1); }

void HangingPrograms::add(const std::string& name, const std::string& output) {
  dir_.write(name + ".out", output);
  const std::string base = dir_.path() + "/" + name;
  const std::string script =
      dir_.write(name, "#!/bin/sh\nsleep 300 &\necho $$ $! > '" + base + ".tmp'\nmv '" + base +
                           ".tmp' '" + base + ".pids'\ncat '" + base + ".out'\nwait\n");
  chmod(script.c_str(), 0755);
}

std::vector<pid_t> HangingPrograms::pids_of(const std::string& name) const {
  std::vector<pid_t> pids;
  wait_until(5, [&] {
    std::istringstream text(dir_.read(name + ".pids"));
    for (pid_t pid; text >> pid;) pids.push_back(pid);
    return !pids.empty();
  });
  return pids;
}

bool HangingPrograms::ended(const std::string& name) const {
  const std::vector<pid_t> pids = pids_of(name);
  return pids.size() == 2 && wait_until(5, [&pids] { return !alive(pids[0]) && !alive(pids[1]); });
}

}  // namespace testing_support
