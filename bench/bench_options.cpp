#include "bench_options.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace {

std::vector<std::string> split_blanks(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

int positive(const std::string& name, const std::string& value) {
  std::size_t used = 0;
  int number = 0;
  try {
    number = std::stoi(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || number < 1) {
    throw std::invalid_argument(name + " needs a positive number, not '" + value + "'");
  }
  return number;
}

// The "--name value" pairs of a command line, taken one by one.
class Arguments {
 public:
  Arguments(int argc, char** argv) {
    for (int i = 1; i < argc; i += 2) {
      const std::string name = argv[i];
      if (name.compare(0, 2, "--") != 0 || i + 1 >= argc) {
        throw std::invalid_argument("expected --name value, got '" + name + "'");
      }
      values_[name] = argv[i + 1];
    }
  }

  std::string take(const std::string& name) {
    const auto found = values_.find(name);
    if (found == values_.end()) throw std::invalid_argument(name + " is required");
    std::string value = found->second;
    values_.erase(found);
    return value;
  }

  std::string take_or(const std::string& name, const std::string& fallback) {
    return values_.count(name) != 0 ? take(name) : fallback;
  }

  int take_positive(const std::string& name, const std::string& fallback) {
    return positive(name, take_or(name, fallback));
  }

  std::string take_password() {
    const std::string password_file = take("--password-file");
    std::ifstream in(password_file);
    std::string password;
    if (!std::getline(in, password)) {
      throw std::invalid_argument("cannot read a password from " + password_file);
    }
    return password;
  }

  // --NAME-port, --NAME-command and --NAME-log.
  void take_server(const std::string& name, ServerOptions& server) {
    const std::string prefix = "--" + name;
    server.port = positive(prefix + "-port", take(prefix + "-port"));
    server.command = split_blanks(take(prefix + "-command"));
    server.log = take(prefix + "-log");
    if (server.command.empty()) throw std::invalid_argument(prefix + "-command is empty");
  }

  void expect_none_left() const {
    if (!values_.empty()) throw std::invalid_argument("unknown option " + values_.begin()->first);
  }

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace

BenchOptions parse_bench_options(int argc, char** argv) {
  Arguments arguments(argc, argv);
  BenchOptions options;
  options.user = arguments.take("--user");
  options.password = arguments.take_password();
  arguments.take_server("quor2", options.quor2);
  arguments.take_server("sshd", options.sshd);
  arguments.take_server("libssh", options.libssh);
  options.connections = arguments.take_positive("--connections", "200");
  options.requests = arguments.take_positive("--requests", "5000");
  options.seconds = arguments.take_positive("--seconds", "5");
  options.starts = arguments.take_positive("--starts", "5");
  options.machine = arguments.take_or("--machine", "");
  arguments.expect_none_left();
  return options;
}

CheckBenchOptions parse_check_bench_options(int argc, char** argv) {
  Arguments arguments(argc, argv);
  CheckBenchOptions options;
  options.user = arguments.take("--user");
  options.password = arguments.take_password();
  arguments.take_server("quor2", options.quor2);
  options.runs = arguments.take_positive("--runs", std::to_string(options.runs));
  options.machine = arguments.take_or("--machine", "");
  arguments.expect_none_left();
  return options;
}

}  // namespace bench
