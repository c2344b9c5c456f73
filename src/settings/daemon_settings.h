// The agent-wide part of the configuration: a plain record that Settings
// begins with and that main() copies out. Read-only once start-up is done.
#ifndef QUOR2_SETTINGS_DAEMON_SETTINGS_H_
#define QUOR2_SETTINGS_DAEMON_SETTINGS_H_

#include <string>

struct DaemonSettings {
  int port = 20012;
  std::string log;   // empty: standard error
  int loglevel = 1;  // logger threshold 0..5
  bool daemonize = false;
  std::string keyFolder;
  std::string dsaKey = "ssh_host_dsa_key";
  std::string rsaKey = "ssh_host_rsa_key";
  int timeout = 10;         // seconds a check's command or exchange may take
  int maxSessions = 64;     // connections served at once; more are closed at once
  int loginGraceTime = 30;  // seconds a connection may take to log in and open its shell
};

#endif  // QUOR2_SETTINGS_DAEMON_SETTINGS_H_
