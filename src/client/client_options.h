// The command line of quor2-client: connection options, how the password
// is obtained, the sub-command and its arguments. Parsed once by main().
#ifndef QUOR2_CLIENT_CLIENT_OPTIONS_H_
#define QUOR2_CLIENT_CLIENT_OPTIONS_H_

#include <string>
#include <vector>

namespace client {

struct ClientOptions {
  std::string host = "127.0.0.1";
  int port = 20012;
  std::string user;
  std::string password_file;  // empty: not given
  std::string password;       // from --password
  bool password_given = false;
  bool record = false;  // print the answer's raw bytes
  bool help = false;
  std::string command;  // list, define, combo, run or raw
  std::vector<std::string> arguments;
};

// Options may stand before or after the sub-command, as "--name value" or
// "--name=value"; "--" ends them. Throws std::invalid_argument with a
// message for the user when the line is not usable.
ClientOptions parse_client_options(const std::vector<std::string>& args);

// The --help text.
std::string client_usage();

}  // namespace client

#endif  // QUOR2_CLIENT_CLIENT_OPTIONS_H_
