#include "checks/check_factory.h"

#include "checks/certificate_check.h"
#include "checks/cpu_check.h"
#include "checks/disk_space_check.h"
#include "checks/own_check.h"
#include "checks/own_check_folder.h"
#include "checks/ping_check.h"
#include "checks/proc_check.h"
#include "checks/ram_check.h"
#include "checks/snmp_check.h"
#include "checks/swap_check.h"
#include "checks/unknown_check.h"
#include "checks/url_check.h"
#include "utils/params.h"

namespace checks {

// Every check the agent knows, in the order the constructor considers them.
const std::vector<std::pair<const char*, CheckFactory::creator>>& CheckFactory::registry() {
  static const std::vector<std::pair<const char*, creator>> checks = {
      {"CPU", &creator_func<CpuCheck>},
      {"DiskSpace", &creator_func<DiskSpaceCheck>},
      {"RAM", &creator_func<RamCheck>},
      {"Swap", &creator_func<SwapCheck>},
      {"Processes", &creator_func<ProcCheck>},
      {"Ping", &creator_func<PingCheck>},
      {"Certificate", &creator_func<CertificateCheck>},
      {"URL", &creator_func<UrlCheck>},
      {"SNMP", &creator_func<SnmpCheck>},
  };
  return checks;
}

std::vector<std::string> CheckFactory::known_ids() {
  std::vector<std::string> ids;
  for (const auto& entry : registry()) ids.push_back(entry.first);
  return ids;
}

CheckFactory::CheckFactory(Settings& settings)
    : CheckFactory(*settings.checks,
                   std::make_shared<utils::Env>(settings.timeout, settings.ramFree == "available"),
                   OwnCheckFolder(settings.checkDir, known_ids()).checks()) {}

CheckFactory::CheckFactory(const CheckIdSet& enabled, std::shared_ptr<const utils::Env> env,
                           const OwnChecks& own)
    : env_(std::move(env)) {
  QLOG_TRACE(" > CheckFactory::CheckFactory");
  for (const auto& entry : registry()) {
    if (enabled.count(entry.first) != 0) creators[entry.first] = entry.second;
  }
  for (const std::shared_ptr<const OwnCheckDefinition>& definition : own) {
    creators.emplace(definition->id, [definition](Purpose purpose, const utils::Env& check_env) {
      return std::unique_ptr<CheckBase>(new OwnCheck(definition, purpose, check_env));
    });
  }
  QLOG_TRACE(" < CheckFactory::CheckFactory");
}

std::unique_ptr<CheckBase> CheckFactory::get_check(const std::string& id, Purpose purpose) const {
  QLOG_TRACE(" > CheckFactory::get_check");
  QLOG_DEBUG("Getting check  " + id);
  const auto it = creators.find(id);
  if (it != creators.end()) {
    QLOG_TRACE(" < CheckFactory::get_check");
    return it->second(purpose, *env_);
  }
  QLOG_ERROR("Unknown check " + id);
  QLOG_TRACE(" < CheckFactory::get_check");
  return std::make_unique<UnknownCheck>();
}

utils::ParamsList CheckFactory::list_checks() const {
  QLOG_TRACE(" > CheckFactory::list_checks");
  utils::ParamsList pairs;
  pairs.reserve(3 * creators.size());
  int index = 1;
  for (const auto& entry : creators) {
    const std::unique_ptr<CheckBase> check = entry.second(Purpose::kRun, *env_);
    const std::string number = std::to_string(index++);
    pairs.emplace_back("checkid" + number, entry.first);
    pairs.emplace_back("checkdescription" + number, check->get_description());
    pairs.emplace_back("available" + number, "true");
  }
  QLOG_TRACE(" < CheckFactory::list_checks");
  return pairs;
}

}  // namespace checks
