// An Env whose commands print canned output: each command line is answered
// with the text given for it (or an empty output), and every command line
// run is recorded. Facts about the host are set by the test.
#ifndef QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
#define QUOR2_TESTS_SUPPORT_FAKE_ENV_H_

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "utils/env.h"

namespace testing_support {

class FakeEnv : public utils::Env {
 public:
  explicit FakeEnv(int timeout_seconds = 10) : utils::Env(timeout_seconds) {}

  // The output of `command_line`.
  void set_output(const std::string& command_line, const std::string& output);
  // The output of `command_line` from a file under tests/fixtures.
  void set_fixture(const std::string& command_line, const std::string& fixture_name);

  std::unique_ptr<utils::LineReader> run_command(const std::string& command_line) const override;
  bool file_exists(const std::string& path) const override { return files.count(path) != 0; }
  bool program_exists(const std::string& name) const override { return programs.count(name) != 0; }
  std::string system_name() const override { return system; }

  std::vector<std::string> commands_run() const;

  std::set<std::string> files;
  std::set<std::string> programs{"ping", "ping6"};
  std::string system = "Linux";

 private:
  std::map<std::string, std::string> outputs_;
  mutable std::mutex mutex_;
  mutable std::vector<std::string> commands_run_;
};

// The content of a file under tests/fixtures.
std::string read_fixture(const std::string& name);

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
