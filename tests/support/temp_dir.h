// A fresh folder under /tmp, removed with everything in it at the end.
#ifndef QUOR2_TESTS_SUPPORT_TEMP_DIR_H_
#define QUOR2_TESTS_SUPPORT_TEMP_DIR_H_

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Writes `content` to the file `name` in the folder; returns its path.
  std::string write(const std::string& name, const std::string& content) const;
  // The content of the file `name` in the folder, empty when missing.
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_TEMP_DIR_H_
