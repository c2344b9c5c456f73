#include "client/client_options.h"

#include <map>
#include <stdexcept>

namespace client {

namespace {

// Sub-commands and their argument counts (-1: one or more).
const std::map<std::string, int> commands = {
    {"list", 0}, {"define", 1}, {"combo", 1}, {"run", -1}, {"raw", 1}};

int parse_port(const std::string& text) {
  std::size_t used = 0;
  int port = 0;
  try {
    port = std::stoi(text, &used);
  } catch (const std::logic_error&) {
    used = 0;
  }
  if (used != text.size() || port < 1 || port > 65535) {
    throw std::invalid_argument("Not a port number: " + text);
  }
  return port;
}

}  // namespace

ClientOptions parse_client_options(const std::vector<std::string>& args) {
  ClientOptions options;
  std::vector<std::string> words;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (arg == "-h") {
        options.help = true;
      } else {
        words.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string name = arg.substr(2);
    std::string value;
    bool has_value = false;
    const std::string::size_type equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      has_value = true;
    }
    if (name == "help" || name == "record") {
      if (has_value) throw std::invalid_argument("--" + name + " takes no value");
      if (name == "help") options.help = true;
      if (name == "record") options.record = true;
      continue;
    }
    if (!has_value) {
      if (i + 1 >= args.size()) throw std::invalid_argument("--" + name + " needs a value");
      value = args[++i];
    }
    if (name == "host") {
      options.host = value;
    } else if (name == "port") {
      options.port = parse_port(value);
    } else if (name == "user") {
      options.user = value;
    } else if (name == "password-file") {
      options.password_file = value;
    } else if (name == "password") {
      options.password = value;
      options.password_given = true;
    } else {
      throw std::invalid_argument("Unknown option --" + name);
    }
  }
  if (options.help) return options;

  if (words.empty()) throw std::invalid_argument("No command given");
  options.command = words.front();
  options.arguments.assign(words.begin() + 1, words.end());
  const auto command = commands.find(options.command);
  if (command == commands.end()) throw std::invalid_argument("Unknown command " + options.command);
  const int count = static_cast<int>(options.arguments.size());
  if ((command->second >= 0 && count != command->second) || (command->second < 0 && count < 1)) {
    throw std::invalid_argument("Wrong number of arguments for " + options.command);
  }
  if (options.user.empty()) throw std::invalid_argument("--user is required");
  if (!options.password_file.empty() && options.password_given) {
    throw std::invalid_argument("Give either --password-file or --password, not both");
  }
  return options;
}

std::string client_usage() {
  return R"(Usage: quor2-client [OPTIONS] COMMAND [ARGUMENTS]

Asks a quor2 agent over SSH, as a monitoring server does.

Commands:
  list                          the checks the agent offers
  define CHECKID                the parameters of a check
  combo CHECKID                 the same, as asked for the selectable values
  run CHECKID ['Name=value'...] run a check with these parameter values
  raw RECORD                    send RECORD as it is (start it with '#': the
                                agent drops the first byte of every request)

Options:
  --host HOST           agent address (default 127.0.0.1)
  --port PORT           agent SSH port (default 20012)
  --user USER           user name from the agent's [password] section
  --password-file FILE  read the password from the first line of FILE
  --password PASSWORD   the password itself (visible to other local users;
                        prefer --password-file)
  --record              print the agent's answer byte for byte
  --help                this text

Without --password-file or --password the password is asked for on the
terminal. Only one password attempt is made: the agent allows one per
connection. The agent's host key is not verified.

Output: a table of checks (list), the parameters of a check (define, combo),
"UP: text", "DOWN: text" or "ERROR: text" (run), the answer (raw).

Exit status: 0 done (run: the check is up), 2 the check is down,
3 error: a bad command line, no connection, login refused, an error answer
or no answer.
)";
}

}  // namespace client
