// quor2-client: asks a quor2 agent one question over SSH and prints the
// answer, readable or as the raw record. Usable by hand and as a check
// plugin of other monitoring systems (exit status 0 up, 2 down, 3 error).
#include <signal.h>

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/client_options.h"
#include "client/password_source.h"
#include "client/records.h"
#include "client/ssh_client.h"

namespace {

// How long the agent may take to greet, and to answer (a check runs within
// the agent's own time bound, ten seconds by default).
constexpr int greeting_timeout_ms = 15000;
constexpr int answer_timeout_ms = 60000;

std::string build_request(const client::ClientOptions& options) {
  const std::vector<std::string>& args = options.arguments;
  std::string record;
  if (options.command == "list") {
    record = client::list_request();
  } else if (options.command == "define") {
    record = client::define_request(args[0]);
  } else if (options.command == "combo") {
    record = client::combo_request(args[0]);
  } else if (options.command == "run") {
    record = client::run_request(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
  } else {
    record = args[0];
  }
  client::check_request_size(record);
  return record;
}

client::Outcome describe(const std::string& command, const std::string& answer) {
  if (command == "list") return client::describe_listing(answer);
  if (command == "define" || command == "combo") return client::describe_definition(answer);
  if (command == "run") return client::describe_run(answer);
  return client::describe_raw(answer);
}

std::string password_of(const client::ClientOptions& options) {
  if (!options.password_file.empty()) return client::read_password_file(options.password_file);
  if (options.password_given) return options.password;
  return client::prompt_password("Password for " + options.user + "@" + options.host + ": ");
}

// Asks the agent; the answer, empty when none came.
std::string ask(const client::ClientOptions& options, const std::string& record) {
  const std::string password = password_of(options);
  client::SshClient connection(options.host, options.port);
  if (!connection.login(options.user, password)) {
    throw std::runtime_error("Login refused for user " + options.user);
  }
  connection.open_shell();
  const std::string greeting = connection.receive(greeting_timeout_ms);
  if (greeting.find("#responseaction=login#") == std::string::npos) {
    throw std::runtime_error("The agent did not greet");
  }
  const std::string answer = connection.request(record, answer_timeout_ms);
  connection.send(client::logout_request());
  return answer;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  client::ClientOptions options;
  std::string record;
  try {
    options = client::parse_client_options(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::cout << client::client_usage();
      return 0;
    }
    record = build_request(options);
  } catch (const std::invalid_argument& error) {
    std::cerr << "quor2-client: " << error.what() << "\nTry quor2-client --help.\n";
    return client::status_error;
  }

  std::string answer;
  try {
    answer = ask(options, record);
  } catch (const std::exception& error) {
    std::cout << "ERROR: " << error.what() << "\n";
    return client::status_error;
  }
  const client::Outcome outcome = describe(options.command, answer);
  if (options.record) {
    std::cout << answer;
  } else {
    std::cout << outcome.text;
  }
  return outcome.status;
}
