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

}  // namespace

BenchOptions parse_bench_options(int argc, char** argv) {
  std::map<std::string, std::string> values;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name.compare(0, 2, "--") != 0 || i + 1 >= argc) {
      throw std::invalid_argument("expected --name value, got '" + name + "'");
    }
    values[name] = argv[i + 1];
  }
  const auto take = [&values](const std::string& name) {
    const auto found = values.find(name);
    if (found == values.end()) throw std::invalid_argument(name + " is required");
    std::string value = found->second;
    values.erase(found);
    return value;
  };
  const auto take_or = [&values, &take](const std::string& name, const std::string& fallback) {
    return values.count(name) != 0 ? take(name) : fallback;
  };

  BenchOptions options;
  options.user = take("--user");
  const std::string password_file = take("--password-file");
  std::ifstream in(password_file);
  if (!std::getline(in, options.password)) {
    throw std::invalid_argument("cannot read a password from " + password_file);
  }
  for (auto server : {std::make_pair("quor2", &options.quor2), std::make_pair("sshd", &options.sshd),
                      std::make_pair("libssh", &options.libssh)}) {
    const std::string prefix = std::string("--") + server.first;
    server.second->port = positive(prefix + "-port", take(prefix + "-port"));
    server.second->command = split_blanks(take(prefix + "-command"));
    server.second->log = take(prefix + "-log");
    if (server.second->command.empty()) throw std::invalid_argument(prefix + "-command is empty");
  }
  options.connections = positive("--connections", take_or("--connections", "200"));
  options.requests = positive("--requests", take_or("--requests", "5000"));
  options.seconds = positive("--seconds", take_or("--seconds", "5"));
  options.starts = positive("--starts", take_or("--starts", "5"));
  options.machine = take_or("--machine", "");
  if (!values.empty()) throw std::invalid_argument("unknown option " + values.begin()->first);
  return options;
}

}  // namespace bench
