#include "support/running_agent.h"

#include <signal.h>
#include <sys/stat.h>

#include <sstream>
#include <stdexcept>

#include "probe/process_probe.h"

namespace testing_support {

std::string write_config(const TempDir& folder, const AgentConfig& config, int port) {
  for (const std::string& type : config.key_types) {
    const std::string key = folder.path() + "/ssh_host_" + type + "_key";
    const ProgramResult made = run_program({"ssh-keygen", "-q", "-t", type, "-N", "", "-f", key});
    if (made.status != 0) throw std::runtime_error("ssh-keygen failed: " + made.err);
  }
  std::ostringstream text;
  text << "[agent]\n"
       << (port > 0 ? "port = " + std::to_string(port) + "\n" : "")
       << "keyFolder = " << folder.path() << "\nloglevel = " << config.loglevel
       << "\nchecks = " << config.checks << "\n"
       << config.agent_extra << "\n[password]\n";
  for (const auto& user : config.users) text << user.first << " = " << user.second << "\n";
  text << "[firewall]\n";
  for (const auto& range : config.firewall) text << range.first << " = " << range.second << "\n";
  const std::string path = folder.write("quor.ini", text.str());
  chmod(path.c_str(), 0600);  // as an administrator keeps it: it holds passwords
  return path;
}

RunningAgent::RunningAgent(const AgentConfig& config) : port_(free_port()) {
  std::vector<std::string> args = {write_config(dir_, config, port_)};
  if (!config.path.empty()) args = {"PATH=" + config.path, QUOR2_BINARY, args[0]};
  process_ = std::make_unique<AgentProcess>(args, dir_.path() + "/agent.log",
                                            config.path.empty() ? QUOR2_BINARY : "env");
  if (!wait_until(30, [this] { return probe::is_listening(port_) || process_->wait(0) != -1; }) ||
      !probe::is_listening(port_)) {
    throw std::runtime_error("the agent did not start listening:\n" + log());
  }
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
  process_->signal(SIGTERM);
  return process_->wait(60);
}

SshExchange::SshExchange(int port, const std::string& user, const std::string& password)
    : client_("127.0.0.1", port) {
  if (!client_.login(user, password)) throw std::runtime_error("login refused for " + user);
  client_.open_shell();
  greeting_ = client_.receive(30000);
  if (greeting_.empty()) throw std::runtime_error("no greeting");
}

}  // namespace testing_support
