// A check of the administrator's own (see OwnCheckDefinition). Its values
// are checked first, then put inside the arguments split when the file was
// read, and its program runs without a shell through the command pipe,
// within the check's timeout. The verdict follows the exit status as
// monitoring plugins give it: 0 up, 1 and 2 down, anything else an error;
// the text is the first line of standard output up to "|". Built per
// request by the check factory; used by one thread.
#ifndef QUOR2_CHECKS_OWN_CHECK_H_
#define QUOR2_CHECKS_OWN_CHECK_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "checks/check_base.h"
#include "checks/own_check_definition.h"

namespace checks {

class OwnCheck : public CheckBase {
 public:
  // Standard output beyond this is not read: it is closed, and a program
  // still writing gets SIGPIPE.
  static constexpr std::size_t max_output = 64 * 1024;
  // Values of a parameter that a values_command may give.
  static constexpr std::size_t max_values = 1000;

  // Built for kValues, it runs the values_commands of its parameters.
  OwnCheck(std::shared_ptr<const OwnCheckDefinition> definition, Purpose purpose,
           const utils::Env& env);
  ~OwnCheck() override;

  std::string get_description() override;
  CheckResult execute(const std::map<std::string, std::string>& params) override;

 protected:
  // The fixed values, then the lines of the values_command that the
  // parameter accepts.
  std::vector<std::string> list_values(const CheckParameter& parameter) const override;

 private:
  // Runs `argv` within the check's timeout and hands `take` each line of
  // the first max_output bytes of standard output; how it ended.
  utils::CommandStatus run(const std::vector<std::string>& argv,
                           const std::function<void(const std::string&)>& take) const;

  const std::shared_ptr<const OwnCheckDefinition> definition_;
  const std::string error_prefix_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_OWN_CHECK_H_
