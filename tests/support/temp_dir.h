// A fresh folder under /tmp, removed with everything in it at the end.
#ifndef QUOR2_TESTS_SUPPORT_TEMP_DIR_H_
#define QUOR2_TESTS_SUPPORT_TEMP_DIR_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir() : path_("/tmp/quor2-test-XXXXXX") {
    if (mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Writes `content` to the file `name` in the folder; returns its path.
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ + "/" + name, std::ios::binary | std::ios::trunc) << content;
    return path_ + "/" + name;
  }
  // The content of the file `name` in the folder, empty when missing.
  std::string read(const std::string& name) const {
    std::ostringstream text;
    text << std::ifstream(path_ + "/" + name, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  std::string path_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_TEMP_DIR_H_
