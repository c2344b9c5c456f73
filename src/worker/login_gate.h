// The login decision of the SSH front end: whether one password attempt
// is accepted (the user's password and, for a user with a firewall entry,
// the client address in its ranges), and the penalties of clients that
// keep failing. Built before any thread starts on the worker's user and
// firewall maps, which it only reads; the listen thread asks blocked() and
// the session threads call admit() and authenticate(), all at once.
#ifndef QUOR2_WORKER_LOGIN_GATE_H_
#define QUOR2_WORKER_LOGIN_GATE_H_

#include <string>

#include "settings/settings.h"
#include "worker/login_penalties.h"

class LoginGate {
 public:
  LoginGate(const UserMap& users, const FirewallMap& firewall, int max_auth_failures,
            int auth_penalty_seconds);
  LoginGate(const LoginGate&) = delete;
  LoginGate& operator=(const LoginGate&) = delete;

  // Whether connections from `client_ip` are refused now.
  bool blocked(const std::string& client_ip) const { return penalties_.blocked(client_ip); }

  // The decision on a password attempt. While the client is blocked it is
  // refused without looking at the password: a connection opened before
  // the penalty began must not go on guessing. Otherwise authenticate(),
  // counted towards the client's penalties.
  bool admit(const std::string& user, const std::string& password,
             const std::string& client_ip) const;

  // Whether the login is accepted: the password matches and, for a user
  // with a firewall entry, the client address lies in its ranges. Only logs.
  bool authenticate(const std::string& user, const std::string& password,
                    const std::string& client_ip) const;

 private:
  const UserMap& users_;
  const FirewallMap& firewall_;
  const int max_auth_failures_;
  const int auth_penalty_seconds_;
  // Thread-safe; counting a login changes it.
  mutable LoginPenalties penalties_;
};

#endif  // QUOR2_WORKER_LOGIN_GATE_H_
