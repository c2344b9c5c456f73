#include "checks/own_check_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "logger/logger.h"
#include "utils/text.h"

namespace checks {

namespace {

// Why the agent may not trust what `info` describes; empty when it may.
std::string trust_problem(const struct stat& info) {
  if (info.st_uid != 0 && info.st_uid != geteuid()) {
    return "owned by user id " + std::to_string(info.st_uid) +
           ", neither root nor the agent's user";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "writable by group or others";
  return "";
}

// A file open for reading, closed on every path. Not blocking: a FIFO must
// not hold up the start.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~ReadOnlyFile() {
    if (fd >= 0) close(fd);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  const int fd;
};

}  // namespace

OwnCheckFolder::OwnCheckFolder(const std::string& path,
                               const std::vector<std::string>& reserved_ids) {
  if (path.empty()) return;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) refuse(path, std::strerror(errno));
    return;
  }
  const std::string problem = S_ISDIR(info.st_mode) ? trust_problem(info) : "not a folder";
  if (!problem.empty()) {
    refuse(path, "the folder is " + problem);
    return;
  }
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.c_str()), &closedir);
  if (!folder) {
    refuse(path, std::strerror(errno));
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder.get())) {
    const std::string name = entry->d_name;
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".ini") == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) load(utils::path_combine(path, name), reserved_ids);
}

void OwnCheckFolder::load(const std::string& file, const std::vector<std::string>& reserved_ids) {
  const ReadOnlyFile in(file);
  struct stat info;
  if (in.fd < 0 || fstat(in.fd, &info) != 0) return refuse(file, std::strerror(errno));
  const std::string problem = S_ISREG(info.st_mode) ? trust_problem(info) : "not a regular file";
  if (!problem.empty()) return refuse(file, "the file is " + problem);
  std::string text(max_file_size + 1, '\0');
  std::size_t size = 0;
  while (size < text.size()) {
    const ssize_t got = read(in.fd, &text[size], text.size() - size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return refuse(file, std::strerror(errno));
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  if (size > max_file_size) return refuse(file, "larger than 64 KiB");
  text.resize(size);
  try {
    OwnCheckDefinition definition = OwnCheckDefinition::parse(text);
    const std::string& id = definition.id;
    if (std::find(reserved_ids.begin(), reserved_ids.end(), id) != reserved_ids.end()) {
      return refuse(file, "the id " + id + " is a built-in check's");
    }
    for (const auto& loaded : checks_) {
      if (loaded->id == id) return refuse(file, "the id " + id + " is taken by " + loaded->file);
    }
    definition.file = file;
    QLOG_INFO("Own check " + id + " loaded from " + file);
    checks_.push_back(std::make_shared<const OwnCheckDefinition>(std::move(definition)));
  } catch (const std::exception& error) {
    refuse(file, error.what());
  }
}

void OwnCheckFolder::refuse(const std::string& path, const std::string& reason) {
  refused_.push_back(path + ": " + reason);
  QLOG_ERROR("Own check refused: " + refused_.back());
}

}  // namespace checks
