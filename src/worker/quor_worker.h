// The agent's server object, built once by main() from the settings.
//
// Owns the commands factory that answers requests. do_work() runs on the
// main thread until stop_requested becomes 1; the signal handler sets it
// (an atomic, so the supervision loop reliably sees the write).
#ifndef QUOR2_WORKER_QUOR_WORKER_H_
#define QUOR2_WORKER_QUOR_WORKER_H_

#include <atomic>
#include <memory>
#include <string>

#include "commands/commands_factory.h"
#include "settings/settings.h"

class QuorWorker {
 public:
  explicit QuorWorker(Settings& settings);
  QuorWorker(const QuorWorker&) = delete;
  QuorWorker& operator=(const QuorWorker&) = delete;

  // Supervises until a stop is requested.
  void do_work();

  std::atomic<int> stop_requested{0};

 private:
  int port;
  std::string dsa_key_path;
  std::string rsa_key_path;
  std::shared_ptr<UserMap> users;
  std::shared_ptr<FirewallMap> firewall;
  commands::CommandsFactory commands_factory;
};

#endif  // QUOR2_WORKER_QUOR_WORKER_H_
