// The agent-wide part of the configuration: a plain record that Settings
// begins with and that main() copies out. Read-only once start-up is done.
#ifndef QUOR2_SETTINGS_DAEMON_SETTINGS_H_
#define QUOR2_SETTINGS_DAEMON_SETTINGS_H_

#include <string>
#include <vector>

struct DaemonSettings {
  int port = 20012;
  std::string log;   // empty: standard error
  int loglevel = 1;  // logger threshold 0..5
  bool daemonize = false;
  std::string keyFolder;
  std::string dsaKey = "ssh_host_dsa_key";
  std::string rsaKey = "ssh_host_rsa_key";
  std::string ecdsaKey = "ssh_host_ecdsa_key";      // loaded when the file exists
  std::string ed25519Key = "ssh_host_ed25519_key";  // loaded when the file exists
  std::vector<std::string> listen{"0.0.0.0"};       // addresses the SSH port is bound on
  int timeout = 10;         // seconds a check's command or exchange may take
  int maxSessions = 64;     // connections served at once; more are closed at once
  int loginGraceTime = 30;  // seconds a connection may take to log in and open its shell
  int maxAuthFailures = 10;  // failed logins of one client in 10 minutes before a penalty; 0: off
  int authPenalty = 60;      // seconds a client is refused after too many failed logins
  std::string ramFree = "free";  // "available": the RAM check counts MemAvailable as free
};

#endif  // QUOR2_SETTINGS_DAEMON_SETTINGS_H_
