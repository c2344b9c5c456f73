#include "worker/login_gate.h"

#include <algorithm>

#include "logger/logger.h"
#include "utils/params.h"
#include "utils/password.h"

LoginGate::LoginGate(const UserMap& users, const FirewallMap& firewall, int max_auth_failures,
                     int auth_penalty_seconds)
    : users_(users),
      firewall_(firewall),
      max_auth_failures_(max_auth_failures),
      auth_penalty_seconds_(auth_penalty_seconds),
      penalties_(max_auth_failures, std::chrono::seconds(auth_penalty_seconds)) {}

bool LoginGate::admit(const std::string& user, const std::string& password,
                      const std::string& client_ip) const {
  // No line: a client that keeps guessing must not fill the log.
  if (penalties_.blocked(client_ip)) return false;
  if (authenticate(user, password, client_ip)) {
    penalties_.succeeded(client_ip);
    return true;
  }
  if (penalties_.failed(client_ip)) {
    QLOG_WARN("Client " + LoginPenalties::key(client_ip) + " blocked for " +
              std::to_string(auth_penalty_seconds_) + " s after " +
              std::to_string(max_auth_failures_) + " failed logins (agent.maxAuthFailures)");
  }
  return false;
}

// The Trace lines keep the name the log has always given the decision.
bool LoginGate::authenticate(const std::string& user, const std::string& password,
                             const std::string& client_ip) const {
  QLOG_TRACE(" > QuorWorker::authenticate");
  QLOG_DEBUG("Authenticating user " + user + " with password " + utils::hidden_value +
             " from " + client_ip);
  const auto account = users_.find(user);
  // An unknown user costs the same comparison as a known one.
  const std::string& expected = account == users_.end() ? std::string() : account->second;
  const bool authenticated = utils::password_matches(expected, password) && account != users_.end();
  QLOG_DEBUG(authenticated ? "Authenticated" : "Not authenticated");

  bool firewall_passed = true;
  const auto ranges = firewall_.find(user);
  if (ranges != firewall_.end()) {
    QLOG_TRACE("Checking firewall");
    firewall_passed = std::any_of(
        ranges->second.begin(), ranges->second.end(),
        [&client_ip](const utils::AddressRange& range) { return range.contains(client_ip); });
    QLOG_DEBUG(firewall_passed ? "Firewall passwed" : "Firewalled");
  }

  const bool result = authenticated && firewall_passed;
  if (!result) {
    if (!authenticated) {
      QLOG_WARN("Authentication failed for user " + user + " with password " +
                utils::hidden_value);
    }
    if (!firewall_passed) {
      QLOG_WARN("User " + user + " from " + client_ip + " was firewalled");
    }
  }
  QLOG_TRACE(" < QuorWorker::authenticate");
  return result;
}
