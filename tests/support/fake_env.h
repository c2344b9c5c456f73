// A host of canned command output for the checks, and what their parsers
// make of command output. Used by one thread.
#ifndef QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
#define QUOR2_TESTS_SUPPORT_FAKE_ENV_H_

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "checks/cpu_check.h"
#include "checks/disk_space_check.h"
#include "checks/memory_check.h"
#include "checks/ping_check.h"
#include "checks/proc_check.h"

namespace testing_support {

// The output of a command over canned text, `chunk` bytes per read, that
// ended with `status`.
class TextLineReader : public utils::CommandOutput {
 public:
  explicit TextLineReader(std::string text, std::size_t chunk = 4096,
                          utils::CommandStatus status = {})
      : text_(std::move(text)), chunk_(chunk), status_(std::move(status)) {}

  utils::CommandStatus finish() override {
    drain();
    return status_;
  }
  void close_output() override { offset_ = text_.size(); }

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
  const utils::CommandStatus status_;
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

// What the parser `parser` reads from `output`: "vmstat", "top" or
// "meminfo" ("meminfo+": counting available) as free RAM and swap ("-" for
// none), "ping", "ps" (names beyond 40 bytes as their first 20 and their
// size), "df" (mount points and capacities) or "df <disk>" (its capacity);
// "throws" when it throws, as on garbage.
inline std::string parse_output(const std::string& parser, utils::LineReader& output) {
  const auto figure = [](const auto& value) { return value ? std::to_string(*value) : "-"; };
  try {
    if (parser == "vmstat") return std::to_string(checks::CpuCheck::parse_vmstat(output));
    if (parser == "ping") {
      const checks::PingCheck::Run run = checks::PingCheck::parse_ping_output(output);
      return std::to_string(run.statistics ? run.average : -1.0);
    }
    std::string text;
    if (parser == "ps") {
      for (const std::string& name : checks::ProcCheck::parse_ps(output)) {
        const std::string size = "...(" + std::to_string(name.size()) + ")";
        text += (text.empty() ? "" : "|") + (name.size() > 40 ? name.substr(0, 20) + size : name);
      }
      return text;
    }
    if (parser == "top" || parser.compare(0, 7, "meminfo") == 0) {
      for (std::string line; parser != "top" && output.read_line(line);) text += line;
      const checks::MemoryCheck::FreeShares free =
          parser == "top" ? checks::MemoryCheck::parse_top(output)
                          : checks::MemoryCheck::parse_meminfo(text, parser == "meminfo+");
      return figure(free.ram) + " " + figure(free.swap);
    }
    const auto mounts = checks::DiskSpaceCheck::parse_df(output);
    if (parser != "df")
      return figure(checks::DiskSpaceCheck::capacity_of(mounts, parser.substr(3)));
    for (const auto& mount : mounts) text += mount.point + " " + figure(mount.capacity) + "|";
    return text;
  } catch (...) {
    return "throws";
  }
}

// Each command line (argv joined by blanks) is answered with the outputs
// given for it (or else for ""), one per run, the last one again and again;
// none is an empty output that ended well, `timed_out` a run cut off at its
// time bound, `not_found` a program that is not installed.
class FakeEnv : public utils::Env {
 public:
  static constexpr const char* timed_out = "\x01timed out";
  static constexpr const char* not_found = "\x01not found";

  explicit FakeEnv(int timeout_seconds = 10, bool ram_available = false)
      : utils::Env(timeout_seconds, ram_available) {}

  void set_output(const std::string& command_line, const std::string& output,
                  const utils::CommandStatus& status = {}) {
    outputs_[command_line].push_back({output, status});
  }
  std::unique_ptr<utils::CommandOutput> run_command(const std::vector<std::string>& argv,
                                                    const utils::RunLimit&) const override {
    std::string command_line;
    for (const std::string& arg : argv) command_line += (command_line.empty() ? "" : " ") + arg;
    commands_run.push_back(command_line);
    auto& outputs = outputs_[outputs_.count(command_line) ? command_line : ""];
    const Output output = outputs.empty() ? Output() : outputs.front();
    if (outputs.size() > 1) outputs.pop_front();
    if (output.text == not_found) {
      return std::make_unique<TextLineReader>(
          "", 4096, utils::CommandStatus{utils::CommandStatus::kNotStarted, ENOENT, ""});
    }
    if (output.text != timed_out) {
      return std::make_unique<TextLineReader>(output.text, 4096, output.status);
    }
    struct TimedOut : utils::CommandOutput {
      std::size_t read_some(char*, std::size_t) override {
        throw std::runtime_error("Command timed out");
      }
      utils::CommandStatus finish() override { throw std::runtime_error("Command timed out"); }
      void close_output() override {}
    };
    return std::make_unique<TimedOut>();
  }
  bool read_file(const std::string& path, std::string& content) const override {
    const auto file = file_contents.find(path);
    if (file == file_contents.end()) return false;
    content = file->second;
    return true;
  }
  bool file_exists(const std::string& path) const override { return files.count(path) != 0; }
  bool program_exists(const std::string& name) const override { return programs.count(name) != 0; }
  std::string system_name() const override { return system; }

  mutable std::vector<std::string> commands_run;
  std::map<std::string, std::string> file_contents;
  std::set<std::string> files;
  std::set<std::string> programs{"ping", "ping6"};
  std::string system = "Linux";

 private:
  struct Output {
    std::string text;
    utils::CommandStatus status;
  };
  mutable std::map<std::string, std::deque<Output>> outputs_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_FAKE_ENV_H_
