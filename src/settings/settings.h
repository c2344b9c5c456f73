// The configuration, read once at start-up from the agent's INI file.
//
// The user, firewall and check-id containers are shared with their readers
// (the worker and the check factory), which keep the very same objects.
// Nothing changes after construction; any thread may read.
#ifndef QUOR2_SETTINGS_SETTINGS_H_
#define QUOR2_SETTINGS_SETTINGS_H_

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include <utility>

#include "settings/daemon_settings.h"
#include "utils/address_range.h"

using UserMap = std::map<std::string, std::string>;
// A user passes the firewall when any of the ranges of his line holds the
// client's address.
using FirewallMap = std::map<std::string, std::vector<utils::AddressRange>>;
using CheckIdSet = std::set<std::string>;

class Settings : public DaemonSettings {
 public:
  // Reads the file. When it cannot be read or parsed, logs "Error parsing ini
  // file: ..." and ends the process with status 255.
  explicit Settings(const std::string& path);

  // Reads the file; throws boost::property_tree::ptree_error on failure.
  static Settings load(const std::string& path);

  std::shared_ptr<UserMap> users = std::make_shared<UserMap>();
  std::shared_ptr<FirewallMap> firewall = std::make_shared<FirewallMap>();
  std::shared_ptr<CheckIdSet> checks = std::make_shared<CheckIdSet>();
  // The folder of the own checks, absolute; empty: none.
  std::string checkDir;

 private:
  struct Unread {};
  explicit Settings(Unread) {}

  void read(const std::string& path);
};

#endif  // QUOR2_SETTINGS_SETTINGS_H_
