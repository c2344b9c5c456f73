#include "support/snmpd_process.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <stdexcept>

namespace testing_support {

namespace {

const char snmpd_binary[] = "/usr/sbin/snmpd";

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

int free_udp_port() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace

const std::string SnmpdProcess::served_prefix = ".1.3.6.1.4.1.99999";

SnmpdProcess::SnmpdProcess(const std::string& community, const std::map<int, Value>& values)
    : port_(free_udp_port()) {
  if (access(snmpd_binary, X_OK) != 0) {
    throw std::runtime_error(std::string(snmpd_binary) +
                             " is missing: scripts/install-deps.sh installs it");
  }
  const std::string dir = folder_.path();
  mkdir((dir + "/values").c_str(), 0700);
  for (const auto& value : values) {
    folder_.write("values/" + served_oid(value.first),
                  value.second.first + "\n" + value.second.second + "\n");
  }
  const std::string script = folder_.write("pass.sh", pass_script(dir + "/values"));
  folder_.write("snmpd.conf", "rocommunity " + community + " 127.0.0.1\n" +
                                  "syscontact quor2 tests\nsysname quor2-snmpd\n" +
                                  "syslocation server room\n" + "pass " + served_prefix +
                                  " /bin/sh " + script + "\n");
  // A clean environment keeps snmpd's files in the folder; only the given
  // address is bound: no configuration from elsewhere (-C), no SMUX
  // listener (-I -smux).
  process_ = std::make_unique<AgentProcess>(
      std::vector<std::string>{
          "-i", "PATH=/usr/sbin:/usr/bin:/sbin:/bin", "HOME=" + dir, "SNMPCONFPATH=" + dir,
          "SNMP_PERSISTENT_DIR=" + dir, "MIBDIRS=" + dir, "MIBS=", snmpd_binary, "-f", "-Le", "-C",
          "-c", dir + "/snmpd.conf", "-I", "-smux", "udp:127.0.0.1:" + std::to_string(port_)},
      dir + "/snmpd.log", "/usr/bin/env");
  if (!process_->wait_for_output("NET-SNMP version", 30)) {
    throw std::runtime_error("snmpd did not start: " + process_->output());
  }
}

void init_snmp_once() {
  static std::once_flag once;
  std::call_once(once, [] { init_snmp("quor2"); });
}

}  // namespace testing_support
