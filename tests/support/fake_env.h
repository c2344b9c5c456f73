// A host of canned command output for the checks, and what their parsers
// make of command output. Used by one thread.
#ifndef QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
#define QUOR2_TESTS_SUPPORT_FAKE_ENV_H_

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <boost/algorithm/string/join.hpp>

#include "checks/cpu_check.h"
#include "checks/disk_space_check.h"
#include "checks/memory_check.h"
#include "checks/ping_check.h"
#include "checks/proc_check.h"

namespace testing_support {

// A LineReader over canned text, `chunk` bytes per read.
class TextLineReader : public utils::LineReader {
 public:
  explicit TextLineReader(std::string text, std::size_t chunk = 4096)
      : text_(std::move(text)), chunk_(chunk) {}

 protected:
  std::size_t read_some(char* out, std::size_t size) override {
    const std::size_t n = std::min({size, chunk_, text_.size() - offset_});
    std::memcpy(out, text_.data() + offset_, n);
    offset_ += n;
    return n;
  }

 private:
  const std::string text_;
  const std::size_t chunk_;
  std::size_t offset_ = 0;
};

// The content of a file under tests/fixtures.
inline std::string read_fixture(const std::string& name) {
  std::ifstream in(std::string(QUOR2_FIXTURES) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A result in one line: "UP: text", "DOWN: text" or "ERROR: message".
inline std::string outcome(const checks::CheckResult& result) {
  if (!result.executed) return "ERROR: " + result.error_message;
  return (result.up ? "UP: " : "DOWN: ") + result.result_string;
}

// What the parser `parser` reads from `output`: "vmstat", "top" (free RAM
// and swap), "ping", "ps", "df" (the mount points) or "df <disk>" (its
// capacity); "throws" when it throws, as on garbage.
inline std::string parse_output(const std::string& parser, utils::LineReader& output) {
  using boost::algorithm::join;
  try {
    if (parser == "vmstat") return std::to_string(checks::CpuCheck::parse_vmstat(output));
    if (parser == "ping") return std::to_string(checks::PingCheck::parse_ping_output(output));
    if (parser == "ps") return join(checks::ProcCheck::parse_ps(output), "|");
    if (parser == "df") return join(checks::DiskSpaceCheck::parse_mount_points(output), "|");
    if (parser != "top") return checks::DiskSpaceCheck::parse_capacity(output, parser.substr(3));
    const std::pair<int, int> free = checks::MemoryCheck::parse_top(output);
    return std::to_string(free.first) + " " + std::to_string(free.second);
  } catch (...) {
    return "throws";
  }
}

// Each command line is answered with the outputs given for it (or else for
// ""), one per run, the last one again and again; none is an empty output,
// as of a missing program, and `timed_out` a run cut off at its time bound.
class FakeEnv : public utils::Env {
 public:
  static constexpr const char* timed_out = "\x01timed out";

  explicit FakeEnv(int timeout_seconds = 10) : utils::Env(timeout_seconds) {}

  void set_output(const std::string& command_line, const std::string& output) {
    outputs_[command_line].push_back(output);
  }
  std::unique_ptr<utils::LineReader> run_command(const std::string& command_line) const override {
    commands_run.push_back(command_line);
    std::deque<std::string>& outputs = outputs_[outputs_.count(command_line) ? command_line : ""];
    const std::string output = outputs.empty() ? "" : outputs.front();
    if (outputs.size() > 1) outputs.pop_front();
    if (output != timed_out) return std::make_unique<TextLineReader>(output);
    struct TimedOut : utils::LineReader {
      std::size_t read_some(char*, std::size_t) override {
        throw std::runtime_error("Command timed out");
      }
    };
    return std::make_unique<TimedOut>();
  }
  bool file_exists(const std::string& path) const override { return files.count(path) != 0; }
  bool program_exists(const std::string& name) const override { return programs.count(name) != 0; }
  std::string system_name() const override { return system; }

  mutable std::vector<std::string> commands_run;
  std::set<std::string> files;
  std::set<std::string> programs{"ping", "ping6"};
  std::string system = "Linux";

 private:
  mutable std::map<std::string, std::deque<std::string>> outputs_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
