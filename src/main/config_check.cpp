#include "main/config_check.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "checks/check_factory.h"
#include "checks/own_check_folder.h"
#include "logger/logger.h"
#include "settings/settings.h"
#include "utils/address_range.h"
#include "utils/text.h"
#include "worker/host_key.h"

namespace {

template <class Texts>
std::string joined(const Texts& texts) {
  std::string text;
  for (const std::string& part : texts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

// Whether the agent, appending as it does, could write the log file.
std::string log_file_problem(const std::string& path) {
  struct stat link;
  if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    return "a symbolic link, which the agent refuses";
  }
  if (access(path.c_str(), F_OK) == 0) {
    return access(path.c_str(), W_OK) == 0 ? "" : "not writable";
  }
  const std::string::size_type slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : path.substr(0, std::max<std::string::size_type>(slash, 1));
  return access(folder.c_str(), W_OK) == 0 ? ""
                                           : "its folder " + folder + " is missing or not writable";
}

// Silences the logger while it lives: the loader's own Error lines would
// repeat what the report says.
class QuietLogger {
 public:
  QuietLogger() : level_(logger::Logger::current_logger->level) {
    logger::Logger::current_logger->level = 0;
  }
  ~QuietLogger() { logger::Logger::current_logger->level = level_; }
  QuietLogger(const QuietLogger&) = delete;
  QuietLogger& operator=(const QuietLogger&) = delete;

 private:
  const int level_;
};

}  // namespace

ConfigCheck::ConfigCheck(const std::string& path) {
  try {
    check(path);
  } catch (const boost::property_tree::ptree_error& error) {
    errors_.push_back(std::string("the file cannot be read: ") + error.what());
  }
}

bool ConfigCheck::readable_by_others(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

void ConfigCheck::check(const std::string& path) {
  settings_.push_back("file = " + path);
  const QuietLogger quiet;
  boost::property_tree::ptree tree;
  boost::property_tree::ini_parser::read_ini(path, tree);
  const Settings settings = Settings::load(path);

  const std::vector<HostKeyFile> keys = host_key_files(settings);
  settings_.push_back("port = " + std::to_string(settings.port));
  settings_.push_back("log = " + (settings.log.empty() ? "(standard error)" : settings.log));
  settings_.push_back("loglevel = " + logger::Logger::level_strings[settings.loglevel] + " (" +
                      std::to_string(settings.loglevel) + ")");
  settings_.push_back(std::string("daemonize = ") + (settings.daemonize ? "true" : "false"));
  settings_.push_back("listen = " + joined(settings.listen));
  for (const HostKeyFile& key : keys) settings_.push_back(key.name + " host key = " + key.path);
  settings_.push_back("checks = " + joined(*settings.checks));
  settings_.push_back("checkDir = " + (settings.checkDir.empty() ? "(none)" : settings.checkDir));
  settings_.push_back("timeout = " + std::to_string(settings.timeout));
  settings_.push_back("maxSessions = " + std::to_string(settings.maxSessions));
  settings_.push_back("loginGraceTime = " + std::to_string(settings.loginGraceTime));
  settings_.push_back("maxAuthFailures = " + std::to_string(settings.maxAuthFailures));
  settings_.push_back("authPenalty = " + std::to_string(settings.authPenalty));
  settings_.push_back("ramFree = " + settings.ramFree);
  for (const auto& user : *settings.users)
    settings_.push_back("user " + user.first + " = ********");
  for (const auto& entry : *settings.firewall) {
    std::vector<std::string> ranges;
    for (const utils::AddressRange& range : entry.second) ranges.push_back(range.text());
    settings_.push_back("firewall " + entry.first + " = " + joined(ranges));
  }

  if (readable_by_others(path)) {
    warnings_.push_back("the file can be read by users other than its owner; it holds passwords");
  }
  if (settings.port < 1 || settings.port > 65535) {
    errors_.push_back("port " + std::to_string(settings.port) + " is out of range");
  }
  if (!settings.log.empty()) {
    const std::string problem = log_file_problem(settings.log);
    if (!problem.empty()) errors_.push_back("log file " + settings.log + ": " + problem);
  }

  std::size_t listened = 0;
  for (const std::string& address : settings.listen) {
    unsigned char bytes[sizeof(in6_addr)];
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1 ||
        inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
      ++listened;
    } else {
      warnings_.push_back("listen address \"" + address +
                          "\" is not an IPv4 or IPv6 address; the agent does not listen there");
    }
  }
  if (listened == 0) errors_.push_back("no listen address is an IPv4 or IPv6 address");

  std::vector<std::string> loaded;
  std::vector<std::pair<const HostKeyFile*, std::string>> unusable;
  for (const HostKeyFile& key : keys) {
    std::string problem;
    if (import_host_key(key, problem)) {
      loaded.push_back(key.name);
    } else if (!problem.empty()) {
      unusable.emplace_back(&key, problem);
    }
  }
  settings_.push_back("host keys loaded = " + (loaded.empty() ? "(none)" : joined(loaded)));
  std::string all_problems;
  for (const auto& key : unusable) {
    if (!loaded.empty()) {
      warnings_.push_back(key.first->name + " host key " + key.first->path +
                          " is not used: " + key.second);
    }
    all_problems += (all_problems.empty() ? "" : "; ") + key.first->name + " " + key.first->path +
                    ": " + key.second;
  }
  if (loaded.empty()) errors_.push_back("no host key loads: " + all_problems);

  if (const auto section = tree.get_child_optional("firewall")) {
    for (const auto& entry : *section) {
      const auto accepted = settings.firewall->find(entry.first);
      if (accepted == settings.firewall->end()) {
        warnings_.push_back("firewall line of user " + entry.first +
                            " is not address ranges or CIDR blocks; the user is not restricted");
      } else if (std::all_of(accepted->second.begin(), accepted->second.end(),
                             [](const utils::AddressRange& range) { return range.empty(); })) {
        warnings_.push_back("firewall range of user " + entry.first +
                            " holds no address; the user cannot log in");
      }
      if (settings.users->count(entry.first) == 0) {
        warnings_.push_back("firewall line for " + entry.first + ", who is no user in [password]");
      }
    }
  }

  const std::string ram_free = tree.get("agent.ramFree", settings.ramFree);
  if (ram_free != settings.ramFree) {
    warnings_.push_back("ramFree \"" + ram_free + "\" is neither free nor available; free is used");
  }

  const std::vector<std::string> known = checks::CheckFactory::known_ids();
  for (const std::string& id : *settings.checks) {
    if (std::find(known.begin(), known.end(), id) == known.end()) {
      warnings_.push_back("unknown check id \"" + id + "\" is ignored");
    }
  }

  const checks::OwnCheckFolder own(settings.checkDir, known);
  const int bound = utils::Env::check_timeouts * settings.timeout;
  for (const auto& check : own.checks()) {
    settings_.push_back("own check " + check->id + " = " + check->file);
    if (check->timeout_seconds > bound) {
      warnings_.push_back("own check " + check->id + ": timeout " +
                          std::to_string(check->timeout_seconds) + " is cut to " +
                          std::to_string(bound) + ", the bound of a whole check (" +
                          std::to_string(utils::Env::check_timeouts) + " x timeout)");
    }
  }
  for (const std::string& refusal : own.refused()) {
    warnings_.push_back("own check refused: " + refusal);
  }
}

int ConfigCheck::report(std::ostream& out) const {
  out << "Effective settings:\n";
  for (const std::string& line : settings_) out << "  " << line << "\n";
  for (const std::string& line : errors_) out << "error: " << line << "\n";
  for (const std::string& line : warnings_) out << "warning: " << line << "\n";
  out << (errors_.empty() ? "The agent would start.\n" : "The agent would not start.\n");
  return errors_.empty() ? 0 : 255;
}
