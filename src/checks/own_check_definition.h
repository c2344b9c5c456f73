// A check of the administrator's own, as one file of the check folder
// describes it: its id and description, the program it runs with the
// arguments split once, when the file is read, and its parameters with the
// rules their values must pass before anything runs.
//
// The file is INI text:
//   [check]        id, description, command, timeout
//   [parameterN]   name, type, maxlength, default, values, values_command,
//                  pattern; N counts from 1 without gaps
// In `command`, "{name}" stands for the value of a parameter; blanks inside
// the braces do not split it. Immutable once parsed; all session threads
// share it read-only.
#ifndef QUOR2_CHECKS_OWN_CHECK_DEFINITION_H_
#define QUOR2_CHECKS_OWN_CHECK_DEFINITION_H_

#include <boost/regex.hpp>
#include <memory>
#include <string>
#include <vector>

#include "checks/check_parameter.h"

namespace checks {

class OwnCheckDefinition {
 public:
  // One parameter: as the monitoring server shows it, and what it accepts.
  struct Parameter {
    CheckParameter shown{"", ""};
    boost::regex pattern;                     // the whole value of a text or listcombo
    std::vector<std::string> values_command;  // listcombo: its values, one a line
    bool starts_argument = false;             // some argument begins with the value

    // Whether `value` may go into the command line: never "#", a double
    // quote or a control character, at most maxlength bytes; a longinteger
    // is an optional minus and digits, a boolean "true" or "false", a
    // listdrop one of its values; a text or listcombo matches the pattern
    // and does not begin an argument with "-".
    bool accepts(const std::string& value) const;
  };

  // The parameter pattern where the file sets none.
  static const char default_pattern[];

  // Reads the text of a definition file. Throws std::runtime_error with the
  // reason when it is malformed; a default or fixed value that its own
  // parameter would refuse makes it malformed too.
  static OwnCheckDefinition parse(const std::string& text);

  // The program and its arguments, `values` (one per parameter, in order)
  // put in place of the placeholders.
  std::vector<std::string> command_line(const std::vector<std::string>& values) const;

  std::string id;
  std::string description;
  int timeout_seconds = 0;  // 0: agent.timeout
  std::vector<Parameter> parameters;
  std::string file;  // where it was read, for the administrator

 private:
  // A piece of an argument: literal text, or the value of a parameter.
  struct Piece {
    std::string text;
    int parameter;  // -1: the text
  };

  void split_command(const std::string& line);

  std::vector<std::vector<Piece>> arguments_;  // the program's first
};

using OwnChecks = std::vector<std::shared_ptr<const OwnCheckDefinition>>;

}  // namespace checks

#endif  // QUOR2_CHECKS_OWN_CHECK_DEFINITION_H_
