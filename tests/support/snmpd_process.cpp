#include "support/snmpd_process.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testing_support {

namespace {

const char snmpd_binary[] = "/usr/sbin/snmpd";
const char ready_text[] = "NET-SNMP version";
const int start_attempts = 5;
const auto start_deadline = std::chrono::seconds(30);
const auto stop_deadline = std::chrono::seconds(10);

// snmpd asks "-g OID" for a GET; the answer is the OID, the type, the value.
// OIDs outside the served files get no answer (noSuchInstance).
std::string pass_script(const std::string& values_folder) {
  return "#!/bin/sh\n"
         "[ \"$1\" = \"-g\" ] || exit 0\n"
         "case \"$2\" in ''|*[!.0-9]*) exit 0 ;; esac\n"
         "file=\"" +
         values_folder +
         "/$2\"\n"
         "[ -f \"$file\" ] || exit 0\n"
         "printf '%s\\n' \"$2\"\n"
         "cat \"$file\"\n";
}

// Reaps `pid` if it has exited; true when it has.
bool reaped(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

// A UDP port of 127.0.0.1 that nothing is bound to right now.
int free_udp_port() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace

const std::string SnmpdProcess::served_prefix = ".1.3.6.1.4.1.99999";

SnmpdProcess::SnmpdProcess(const std::string& community, const std::map<int, Value>& values) {
  if (access(snmpd_binary, X_OK) != 0) {
    throw std::runtime_error(std::string(snmpd_binary) +
                             " is missing: scripts/install-deps.sh installs it");
  }
  mkdir((folder_.path() + "/values").c_str(), 0700);
  mkdir((folder_.path() + "/persist").c_str(), 0700);
  mkdir((folder_.path() + "/mibs").c_str(), 0700);
  for (const auto& value : values) {
    folder_.write("values/" + served_oid(value.first),
                  value.second.first + "\n" + value.second.second + "\n");
  }
  const std::string script = folder_.write("pass.sh", pass_script(folder_.path() + "/values"));
  folder_.write("snmpd.conf", "rocommunity " + community + " 127.0.0.1\n" +
                                  "syscontact quor2 tests\nsysname quor2-snmpd\n" +
                                  "syslocation server room\n" + "pass " + served_prefix +
                                  " /bin/sh " + script + "\n");
  for (int attempt = 0; attempt < start_attempts; ++attempt) {
    if (start(free_udp_port())) return;
  }
  const std::string output = log();
  stop();
  throw std::runtime_error("snmpd did not start: " + output);
}

SnmpdProcess::~SnmpdProcess() { stop(); }

bool SnmpdProcess::start(int port) {
  port_ = port;
  const std::string dir = folder_.path();
  const std::string address = "udp:127.0.0.1:" + std::to_string(port);
  // Only the given address is bound: no agentaddress from elsewhere (-C),
  // no SMUX listener (-I -smux).
  std::vector<std::string> args = {snmpd_binary,
                                   "-f",
                                   "-C",
                                   "-c",
                                   dir + "/snmpd.conf",
                                   "-Lf",
                                   dir + "/snmpd.log",
                                   "-p",
                                   dir + "/snmpd.pid",
                                   "-I",
                                   "-smux",
                                   address};
  std::vector<std::string> environment = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin",
                                          "HOME=" + dir,
                                          "SNMPCONFPATH=" + dir,
                                          "SNMP_PERSISTENT_DIR=" + dir + "/persist",
                                          "MIBDIRS=" + dir + "/mibs",
                                          "MIBS="};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(&variable[0]);
  envp.push_back(nullptr);
  const std::string output_path = dir + "/snmpd.out";

  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    execve(snmpd_binary, argv.data(), envp.data());
    _exit(127);
  }

  const auto deadline = std::chrono::steady_clock::now() + start_deadline;
  while (log().find(ready_text) == std::string::npos) {
    if (reaped(pid_)) {
      pid_ = -1;
      return false;  // most likely the port was taken meanwhile
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      stop();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void SnmpdProcess::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + stop_deadline;
  while (!reaped(pid_)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

std::string SnmpdProcess::peer() const { return "127.0.0.1:" + std::to_string(port_); }

std::string SnmpdProcess::served_oid(int key) { return served_prefix + "." + std::to_string(key); }

std::string SnmpdProcess::log() const {
  return folder_.read("snmpd.log") + folder_.read("snmpd.out");
}

void init_snmp_once() {
  static std::once_flag once;
  std::call_once(once, [] { init_snmp("quor2"); });
}

}  // namespace testing_support
