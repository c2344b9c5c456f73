// The registry of the checks this agent offers.
//
// Knows every built-in check id and its class; the configuration decides
// which of them are offered. The administrator's own checks are offered
// beside them, in the one order of ids. A request for an id that is not
// offered gets an UnknownCheck.
// Filled by the constructor and only read afterwards, so all session threads
// use one factory at once without a lock. Every check it builds belongs to
// the caller.
#ifndef QUOR2_CHECKS_CHECK_FACTORY_H_
#define QUOR2_CHECKS_CHECK_FACTORY_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "checks/check_base.h"
#include "checks/own_check_definition.h"
#include "settings/settings.h"
#include "utils/env.h"
#include "utils/params.h"

namespace checks {

class CheckFactory {
 public:
  using creator = std::function<std::unique_ptr<CheckBase>(Purpose purpose, const utils::Env& env)>;

  // Offers the enabled ids of the settings and the own checks of its
  // checkDir; checks run with its time bound and count free RAM as it says.
  explicit CheckFactory(Settings& settings);
  // Offers `enabled` and `own`; checks reach the host through `env`.
  CheckFactory(const CheckIdSet& enabled, std::shared_ptr<const utils::Env> env,
               const OwnChecks& own = {});

  // A new check for `id`, never null: an UnknownCheck when not offered.
  std::unique_ptr<CheckBase> get_check(const std::string& id, Purpose purpose) const;

  // Every built-in id, whether offered or not.
  static std::vector<std::string> known_ids();

  // How many checks are offered.
  std::size_t offered_count() const { return creators.size(); }

  // The fields of the listing, three per offered check in id order:
  // checkid<i>, checkdescription<i>, available<i> (always "true").
  utils::ParamsList list_checks() const;

 private:
  static const std::vector<std::pair<const char*, creator>>& registry();

  template <class T>
  static std::unique_ptr<CheckBase> creator_func(Purpose purpose, const utils::Env& env) {
    return std::unique_ptr<CheckBase>(new T(purpose != Purpose::kRun, env));
  }

  std::map<std::string, creator> creators;
  std::shared_ptr<const utils::Env> env_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_FACTORY_H_
