// The abstract base of every check.
//
// A check is built by the check factory for one request, used once by the
// session thread that asked for it (to describe its parameters, to be listed
// or to run) and destroyed. It carries its parameter definitions and the
// selectable values of its list parameters, both filled only when it is
// built for a definition request. It reaches the host only through its Env,
// and runs within its RunLimit: the agent's bound of a whole check, counted
// from its construction, and the client's connection once the command that
// runs it names one.
#ifndef QUOR2_CHECKS_CHECK_BASE_H_
#define QUOR2_CHECKS_CHECK_BASE_H_

#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "checks/check_parameter.h"
#include "checks/check_result.h"
#include "logger/logger.h"
#include "utils/env.h"
#include "utils/run_limit.h"
#include "utils/params.h"

namespace checks {

// Why a check is built: to run (or to be listed), to answer "definecheck",
// or to answer "getcomboparamvalues", the one request for which an own
// check runs the commands that list its values.
enum class Purpose { kRun, kDefinition, kValues };

class CheckBase {
 public:
  CheckBase();
  explicit CheckBase(const utils::Env& env);
  CheckBase(const CheckBase&) = delete;
  CheckBase& operator=(const CheckBase&) = delete;
  virtual ~CheckBase();

  virtual std::string get_description() = 0;

  // Runs the check; never throws.
  virtual CheckResult execute(const std::map<std::string, std::string>& params) = 0;

  // The fields of the parameter definition record, values as they are.
  utils::ParamsList params_definition() const;

  // The parameter definition record, "#paramname1=...#paramtype1=...#...",
  // values escaped: names, defaults and list values may come from outside
  // (process names, mount points).
  std::string get_params_definition() const;

  // Stops the run once the client on `connection_fd` has gone.
  void watch_connection(int connection_fd) { limit_ = limit_.for_connection(connection_fd); }

  std::vector<CheckParameter> params;
  std::map<std::string, std::vector<std::string>> combo_values;

 protected:
  // Runs `body`, turning what it throws into a failed result: the text of a
  // std::runtime_error (logged at Error when `log_runtime_error`), otherwise
  // "Unexpected exception" (always logged). `exit_trace` is the Trace line
  // that a failure still writes on its way out.
  template <class Body>
  static CheckResult guarded(const char* exit_trace, bool log_runtime_error, Body&& body);

  // Fills `params` and `combo_values` from the check's table when it is
  // built for a definition request. Values the host gives (list_values)
  // that cannot be gathered leave the list empty, with an Error line after
  // `error_prefix`: the definition itself still goes out.
  void declare(const std::vector<CheckParameter>& table, bool for_params,
               const std::string& error_prefix);

  // The selectable values of a parameter marked host_values.
  virtual std::vector<std::string> list_values(const CheckParameter& parameter) const;

  // Runs `argv` bounded by the agent's time bound of one command, or by the
  // shorter `bound`.
  std::unique_ptr<utils::CommandOutput> run_command(
      const std::vector<std::string>& argv,
      std::chrono::milliseconds bound = std::chrono::milliseconds::max()) const;

  // Runs `argv` and hands its output to `read`, which throws when the
  // output is of no use. Returns "" when the command ran and its output was
  // used; the command's failure (CommandStatus::describe) when it did not
  // run, was killed, or exited non-zero with output of no use. Throws what
  // `read` threw for a command that succeeded, and the pipe's time-outs.
  template <class Read>
  std::string try_command(const std::vector<std::string>& argv, Read&& read) const;

  // try_command, its failure thrown as std::runtime_error.
  template <class Read>
  void read_command(const std::vector<std::string>& argv, Read&& read) const {
    const std::string failure = try_command(argv, read);
    if (!failure.empty()) throw std::runtime_error(failure);
  }

  const utils::RunLimit& run_limit() const { return limit_; }

  // Whether the selection a server sent names `text` of the host (a process
  // name, a mount point): as it is, or as the record writer offered it,
  // escaped.
  static bool selects(const std::string& selection, const std::string& text);

  const utils::Env& env;

 private:
  utils::RunLimit limit_;
};

template <class Body>
CheckResult CheckBase::guarded(const char* exit_trace, bool log_runtime_error, Body&& body) {
  try {
    return body();
  } catch (const std::runtime_error& error) {
    if (log_runtime_error) QLOG_ERROR(error.what());
    QLOG_TRACE(exit_trace);
    return CheckResult::failure(error.what());
  } catch (...) {
    QLOG_ERROR("Unexpected exception");
    QLOG_TRACE(exit_trace);
    return CheckResult::failure("Unexpected exception");
  }
}

template <class Read>
std::string CheckBase::try_command(const std::vector<std::string>& argv, Read&& read) const {
  const std::unique_ptr<utils::CommandOutput> output = run_command(argv);
  std::exception_ptr unusable;
  try {
    read(static_cast<utils::LineReader&>(*output));
  } catch (const std::exception&) {
    unusable = std::current_exception();
  }
  // A time-out ended the command already; its status then reads as success.
  const utils::CommandStatus status = output->finish();
  if (status.not_run() || status.kind == utils::CommandStatus::kSignaled ||
      (!status.succeeded() && unusable)) {
    return status.describe(argv.front());
  }
  if (unusable) std::rethrow_exception(unusable);
  return "";
}

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_BASE_H_
