// Runs a program (the client, ssh through sshpass) the way a user would,
// without a shell: arguments are passed as they are.
#ifndef QUOR2_TESTS_SUPPORT_PROGRAM_H_
#define QUOR2_TESTS_SUPPORT_PROGRAM_H_

#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
  // As the shell shows it: 0..255, 128+signal; -1 when it did not end
  // within a minute (it is killed then).
  int status = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] (looked up on the PATH) with `input` as its standard input.
ProgramResult run_program(const std::vector<std::string>& argv, const std::string& input = "");

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_PROGRAM_H_
