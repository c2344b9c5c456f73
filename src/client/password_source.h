// Where quor2-client takes the password from: the first line of a file, or
// the terminal with echo off. Used once by main().
#ifndef QUOR2_CLIENT_PASSWORD_SOURCE_H_
#define QUOR2_CLIENT_PASSWORD_SOURCE_H_

#include <string>

namespace client {

// The first line of the file without its line end (CR LF or LF). Throws
// std::runtime_error when the file cannot be read.
std::string read_password_file(const std::string& path);

// Shows `prompt` on the controlling terminal and reads one line there with
// echo off. Throws std::runtime_error when there is no terminal.
std::string prompt_password(const std::string& prompt);

}  // namespace client

#endif  // QUOR2_CLIENT_PASSWORD_SOURCE_H_
