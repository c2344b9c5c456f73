#include "support/fake_env.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/text_line_reader.h"

namespace testing_support {

void FakeEnv::set_output(const std::string& command_line, const std::string& output) {
  outputs_[command_line] = output;
}

void FakeEnv::set_fixture(const std::string& command_line, const std::string& fixture_name) {
  set_output(command_line, read_fixture(fixture_name));
}

std::unique_ptr<utils::LineReader> FakeEnv::run_command(const std::string& command_line) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_run_.push_back(command_line);
  }
  const auto it = outputs_.find(command_line);
  return std::make_unique<TextLineReader>(it == outputs_.end() ? "" : it->second);
}

std::vector<std::string> FakeEnv::commands_run() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_run_;
}

std::string read_fixture(const std::string& name) {
  std::ifstream in(std::string(QUOR2_FIXTURES) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace testing_support
