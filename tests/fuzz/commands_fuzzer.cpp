// The commands factory on any request text, as a session hands it over, with
// every check offered on a host of canned command output and the log at its
// most verbose level (lines discarded). Runs are requested only of checks
// that reach the host through that canned output alone; the network checks
// and Ping (one run per packet asked for) are left out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "commands/commands_factory.h"
#include "logger/logger.h"
#include "support/fake_env.h"
#include "utils/params.h"

namespace {

class DiscardingLogger : public logger::Logger {
 public:
  void write_message(std::string&) override {}
};

const commands::CommandsFactory& factory() {
  static const commands::CommandsFactory factory = [] {
    auto env = std::make_shared<testing_support::FakeEnv>();
    env->set_fixture("vmstat 1 2", "vmstat/procps-ng-4.txt");
    env->set_fixture("top -d 1 -n 1 -b", "top/procps-ng-4.txt");
    env->set_fixture("df -P", "df/mixed.txt");
    env->set_fixture("ps -ax -o user,args", "ps/linux.txt");
    return commands::CommandsFactory(checks::CheckFactory(
        {"CPU", "Certificate", "DiskSpace", "Ping", "Processes", "RAM", "SNMP", "Swap", "URL"},
        env));
  }();
  return factory;
}

bool runs_off_host(const utils::ParamsMap& request) {
  static const std::set<std::string> off_host = {"Certificate", "Ping", "SNMP", "URL"};
  const auto action = request.find("requestaction");
  if (action == request.end() || action->second != "runcheck") return false;
  const auto id = request.find("checkid");
  return id != request.end() && off_host.count(id->second) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  logger::Logger::current_logger = std::make_shared<DiscardingLogger>();
  logger::Logger::current_logger->level = logger::Logger::Trace;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string request(reinterpret_cast<const char*>(data), size);
  if (runs_off_host(utils::get_params_map(request))) return 0;
  factory().get_command(request)->execute();
  return 0;
}
