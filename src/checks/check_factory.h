// The registry of the checks this agent offers.
//
// Knows every check id and its class; the configuration decides which ids
// are offered. A request for an id that is not offered gets an UnknownCheck.
// Filled by the constructor and only read afterwards, so all session threads
// use one factory at once without a lock. Every check it builds belongs to
// the caller.
#ifndef QUOR2_CHECKS_CHECK_FACTORY_H_
#define QUOR2_CHECKS_CHECK_FACTORY_H_

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "checks/check_base.h"
#include "settings/settings.h"
#include "utils/env.h"
#include "utils/params.h"

namespace checks {

class CheckFactory {
 public:
  using creator = std::unique_ptr<CheckBase> (*)(bool for_params, const utils::Env& env);

  // Offers the enabled ids of the settings; checks run with its time bound
  // and count free RAM as it says.
  explicit CheckFactory(Settings& settings);
  // Offers `enabled`; checks reach the host through `env`.
  CheckFactory(const CheckIdSet& enabled, std::shared_ptr<const utils::Env> env);

  // A new check for `id`, never null: an UnknownCheck when not offered.
  std::unique_ptr<CheckBase> get_check(const std::string& id, bool for_params) const;

  // Every id the agent knows, whether offered or not.
  static std::vector<std::string> known_ids();

  // How many checks are offered.
  std::size_t offered_count() const { return creators.size(); }

  // The fields of the listing, three per offered check in id order:
  // checkid<i>, checkdescription<i>, available<i> (always "true").
  utils::ParamsList list_checks() const;

 private:
  static const std::vector<std::pair<const char*, creator>>& registry();

  template <class T>
  static std::unique_ptr<CheckBase> creator_func(bool for_params, const utils::Env& env) {
    return std::unique_ptr<CheckBase>(new T(for_params, env));
  }

  std::map<std::string, creator> creators;
  std::shared_ptr<const utils::Env> env_;
};

}  // namespace checks

#endif  // QUOR2_CHECKS_CHECK_FACTORY_H_
