#include "settings/settings.h"

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/regex.hpp>
#include <cstdlib>
#include <filesystem>

#include "logger/logger.h"
#include "utils/text.h"

namespace {

int level_from_name(const std::string& name) {
  for (int level = 0; level <= 5; ++level) {
    if (logger::Logger::level_strings[level] == name) return level;
  }
  return logger::Logger::Error;
}

}  // namespace

Settings::Settings(const std::string& path) {
  try {
    read(path);
  } catch (const boost::property_tree::ptree_error& error) {
    QLOG_ERROR(std::string("Error parsing ini file: ") + error.what());
    std::exit(-1);
  }
}

Settings Settings::load(const std::string& path) {
  Settings settings{Unread{}};
  settings.read(path);
  return settings;
}

void Settings::read(const std::string& path) {
  const boost::regex comma("\\s*,\\s*");

  boost::property_tree::ptree tree;
  boost::property_tree::ini_parser::read_ini(path, tree);

  const DaemonSettings defaults;
  port = tree.get("agent.port", defaults.port);
  log = tree.get("agent.log", defaults.log);
  daemonize = tree.get("agent.daemonize", defaults.daemonize);
  keyFolder = tree.get("agent.keyFolder", defaults.keyFolder);
  dsaKey = tree.get("agent.dsaKey", defaults.dsaKey);
  rsaKey = tree.get("agent.rsaKey", defaults.rsaKey);
  ecdsaKey = tree.get("agent.ecdsaKey", defaults.ecdsaKey);
  ed25519Key = tree.get("agent.ed25519Key", defaults.ed25519Key);
  const std::vector<std::string> addresses =
      utils::split(utils::trim(tree.get("agent.listen", std::string())), comma);
  if (!addresses.empty()) listen = addresses;
  const std::string level_name = tree.get("agent.loglevel", std::string("Error"));
  const std::string check_list = tree.get("agent.checks", std::string());
  timeout = tree.get("agent.timeout", defaults.timeout);
  if (timeout < 1) timeout = defaults.timeout;
  maxSessions = tree.get("agent.maxSessions", defaults.maxSessions);
  if (maxSessions < 1) maxSessions = defaults.maxSessions;
  loginGraceTime = tree.get("agent.loginGraceTime", defaults.loginGraceTime);
  if (loginGraceTime < 1) loginGraceTime = defaults.loginGraceTime;
  maxAuthFailures = tree.get("agent.maxAuthFailures", defaults.maxAuthFailures);
  if (maxAuthFailures < 0) maxAuthFailures = defaults.maxAuthFailures;
  authPenalty = tree.get("agent.authPenalty", defaults.authPenalty);
  if (authPenalty < 1) authPenalty = defaults.authPenalty;
  ramFree = tree.get("agent.ramFree", defaults.ramFree);
  if (ramFree != "available") ramFree = defaults.ramFree;

  for (const std::string& id : utils::split(check_list, comma)) checks->insert(id);
  // Relative to the configuration's folder, and absolute: a daemon changes
  // its working folder before the checks load. Empty would name the
  // configuration's own folder, so it means none.
  const std::string check_dir = tree.get("agent.checkDir", std::string("checks.d"));
  std::error_code ignored;  // without a working folder, it stays relative
  const std::filesystem::path folder = std::filesystem::absolute(path, ignored).parent_path();
  if (!check_dir.empty()) checkDir = (folder / check_dir).lexically_normal().string();
  loglevel = level_from_name(level_name);

  for (const auto& user : tree.get_child("password")) {
    (*users)[user.first] = user.second.data();
  }

  const auto firewall_section = tree.get_child_optional("firewall");
  if (!firewall_section) return;
  for (const auto& entry : *firewall_section) {
    const std::string& user = entry.first;
    const std::vector<std::string> parts = utils::split(entry.second.data(), comma);
    std::vector<utils::AddressRange> ranges;
    for (const std::string& part : parts) {
      if (const auto range = utils::AddressRange::parse(part)) ranges.push_back(*range);
    }
    if (parts.empty() || ranges.size() != parts.size()) {
      QLOG_ERROR("Incorrect firewall record for user " + user);
      continue;
    }
    (*firewall)[user] = std::move(ranges);
  }
}
