#include "support/running_agent.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/host_key.h"
#include "probe/process_probe.h"

namespace testing_support {

namespace {

std::string ini(const AgentConfig& config, int port, const std::string& folder) {
  std::ostringstream text;
  text << "[agent]\nport = " << port << "\nkeyFolder = " << folder
       << "\nloglevel = " << config.loglevel << "\nchecks = " << config.checks << "\n"
       << config.agent_extra << "\n[password]\n";
  for (const auto& user : config.users) text << user.first << " = " << user.second << "\n";
  if (!config.firewall.empty()) {
    text << "\n[firewall]\n";
    for (const auto& range : config.firewall) text << range.first << " = " << range.second << "\n";
  }
  return text.str();
}

}  // namespace

RunningAgent::RunningAgent(const AgentConfig& config) {
  make_rsa_host_key(dir_.path());
  if (config.prepare) config.prepare(dir_.path());
  port_ = free_port();
  const std::string path = dir_.write("quor.ini", ini(config, port_, dir_.path()));
  chmod(path.c_str(), 0600);  // as an administrator keeps it: it holds passwords
  std::vector<std::string> args = config.launcher;
  args.insert(args.end(), {QUOR2_BINARY, path});
  const std::string binary = args.front();
  args.erase(args.begin());
  process_ = std::make_unique<AgentProcess>(args, dir_.path() + "/agent.log", binary);
  if (!wait_until(30, [this] { return probe::is_listening(port_) || process_->wait(0) != -1; }) ||
      !probe::is_listening(port_)) {
    throw std::runtime_error("the agent did not start listening:\n" + log());
  }
}

RunningAgent::~RunningAgent() {
  if (!stopped_) stop();
}

std::size_t RunningAgent::log_count(const std::string& text) const {
  const std::string all = log();
  std::size_t count = 0;
  for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
  return count;
}

std::string RunningAgent::password_file(const std::string& password) const {
  return dir_.write("password" + std::to_string(++password_files_), password + "\n");
}

int RunningAgent::stop() {
  stopped_ = true;
  process_->signal(SIGTERM);
  return process_->wait(60);
}

}  // namespace testing_support
