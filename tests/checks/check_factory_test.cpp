#include "checks/check_factory.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>

#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"
#include "support/running_agent.h"
#include "utils/params.h"
#include "utils/text.h"

namespace {

using checks::CheckFactory;
using namespace testing_support;

const CheckIdSet all_ids = {"CPU", "Certificate", "DiskSpace", "Ping", "Processes",
                            "RAM", "SNMP",        "Swap",      "URL"};

// The output itself (empty or of lines), "timeout", "missing" or a fixture
// (no ".txt").
std::string output_of(const std::string& name) {
  if (name == "timeout" || name == "missing") {
    return name == "timeout" ? FakeEnv::timed_out : FakeEnv::not_found;
  }
  return name.empty() || name.find('\n') != std::string::npos ? name : read_fixture(name + ".txt");
}

// Gives `env` an output (see output_of) for its next run, and after "!<n>
// <error line>" its exit status, after "!s<n>" its signal; "meminfo/..."
// becomes /proc/meminfo.
void give(FakeEnv& env, const std::string& given) {
  const std::string::size_type bang = given.find('!');
  const std::string name = given.substr(0, bang);
  utils::CommandStatus status;
  if (bang != std::string::npos) {
    const bool signal = given[bang + 1] == 's';
    status.kind = signal ? utils::CommandStatus::kSignaled : utils::CommandStatus::kExited;
    status.code = std::atoi(given.c_str() + bang + 1 + signal);
    const std::string::size_type blank = given.find(' ', bang);
    if (blank != std::string::npos) status.error_line = given.substr(blank + 1);
  }
  if (name.compare(0, 8, "meminfo/") == 0) {
    env.file_contents["/proc/meminfo"] = output_of(name);
  } else {
    env.set_output("", output_of(name), status);
  }
}

// Check `id` on `env`: `params` is the value of its first parameter and
// further fields, or a whole record ("#": none); null asks for the
// definition. Ping always has host "h", one packet and 1 s.
std::string run(const std::shared_ptr<const utils::Env>& env, const std::string& id,
                const char* params) {
  static const std::map<std::string, std::string> first = {
      {"CPU", "Load Limit [%]"},       {"RAM", "Free RAM Limit [%]"},
      {"Swap", "Free Swap Limit [%]"}, {"DiskSpace", "Disk Free Limit [%]"},
      {"Processes", "Select Process"}, {"Ping", "Success rate limit [%]"}};
  const auto check = CheckFactory(all_ids, env)
                         .get_check(id, params ? checks::Purpose::kRun : checks::Purpose::kDefinition);
  if (params == nullptr) return check->get_params_definition();
  std::string record = "#Host name or IP=h#Overall timeout [s]=1#Number of packets=1";
  record += *params == '#' ? params : "#" + first.at(id) + "=" + params + "#";
  return outcome(check->execute(utils::get_params_map(record)));
}

// What a parser makes of a fixture of its folder, or of "<parser>=<output>"
// (see parse_output and give).
TEST(Parsers, RecordedOutputs) {
  const std::string ps =
      "[worker/1:0]|mydaemon -k start|php-fpm: pool www|rootxd --foreground|"
      "run.sh --fast|server --config /etc/app.conf|sleep 600";
  const std::string kubelet =
      "df /run/kubelet/pods/8e1f4c2a-93b7-4d5e-a0c6-2b7f9e4d1a38/volumes/"
      "kubernetes.io~csi/pvc-3f9c2a1e-7b4d-4e8a-9c1f-5d6e7f8a9b0c/mount=";
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"vmstat/procps-ng-4.0.4", "81"}, {"vmstat/procps-3.2", "81"}, {"vmstat/procps-ng-4", "5"},
      {"vmstat/freebsd", "16"},  // "sy" twice: the cpu column (the last) counts
      {"vmstat/procps-ng-4.0.2-101", "100"},  // us and sy rounded on their own
      {"vmstat/columns-beyond-100", "throws"},
      {"top/procps-ng-3.3", "77 74"},      // old positions would say 26% swap
      {"top/procps-ng-3.3.9", "3 74"},     // "KiB Mem:": by labels too
      {"top/procps-ng-4-gib", "24 100"},   // 7.8 of 31.25
      {"top/memory-real-short", "50 25"},  // not read as "Memory:" of 4
      {"top/procps-3.2", "5 75"}, {"top/procps-ng-4", "96 100"}, {"top/memory-4", "50 25"},
      {"top/memory-5", "50 50"}, {"top/memory-real", "92 100"}, {"top/no-swap-line", "96 -"},
      {"top/procps-ng-4.0.2-kib", "92 100"}, {"top/procps-ng-4.0.2-mib", "92 100"},
      // 0.0 GiB of swap may be 50 MiB; a total of 0 is never RAM; bars give no free figure.
      {"top/procps-ng-4.0.2-gib", "91 -"}, {"top/procps-ng-4.0.2-tib", "- -"},
      {"top/procps-ng-4.0.2-bars", "- -"}, {"top/procps-ng-4.0.2-blocks", "- -"},
      {"top/procps-ng-4.0.2-256gib-kib", "throws"}, {"top/procps-ng-4.0.2-1.5tib-mib", "throws"},
      {"top/procps-ng-4.0.2-bars-256gib-kib", "throws"}, {"top/busybox-1.35", "90 -"},
      {"top/busybox-1.35-1.5tib", "40 -"}, {"top/labelled-blank-before-swap", "96 100"},
      {"top/blank-before-swap", "5 75"}, {"top=", "- -"},  // lines without digits: read on
      {"top=Mem: 1000k total, 970k used, 30k free, 5k buffers\nSwap: 2048M 1536M\n", "3 75"},
      {"top=Mem: 120 30 40 0 10 200\nSwap: 200 0 200 1\n", "58 100"},
      {"top=Swap: 782.7M\nMem: 0 0 0 0\n", "- 1"},  // 782 and 7
      {"top=Mem: 1 2 3\nMem: 1 2 3 4 5 6 7\nSwap: 0 0\n", "- 100"},
      {"top=MiB Mem :  0.0 total,  0.0 free\nKiB Swap: 10 total, 25 free, 0 used.\n", "- 250"},
      {"top=KiB Swap: 10 used\nMem: 10 1 9 0\n", "90 -"},  // unlabelled: no procps-ng reading
      {"top=Mem: 99999999999999999999 1 2 3\n", "throws"},  // figures beyond 64 bits
      {"top=Mem: 9000000000000000000 9000000000000000000 1 1\n", "throws"},
      {"top=MiB Mem : 92233720368547758.08 total, 1.0 free\n", "throws"},
      {"meminfo/debian-12-no-swap", "92 100"}, {"meminfo+/debian-12-no-swap", "95 100"},
      {"meminfo/256gib", "50 74"}, {"meminfo/1.5tib", "40 90"},
      {"meminfo+/no-memavailable", "96 100"},  // MemFree + Buffers + Cached
      {"meminfo=MemTotal: 0 kB\nMemFree: 0 kB\nSwapFree: 0 kB\n", "- -"},
      {"meminfo=MemTotal: 1234567890123456 kB\nMemFree: 1 kB\n", "- -"},
      {"ping/bsd", "0.061000"},  // "round-trip min/avg/max/stddev", "0.0% packet loss"
      {"ping/loss-with-time", "-1.000000"},  // 100% loss, yet an rtt line
      {"ping/iputils", "0.061000"}, {"ping/busybox", "0.125000"}, {"ping/no-avg", "-1.000000"},
      {"ping/loss", "-1.000000"}, {"ping/avg-beyond-values", "-1.000000"},
      {"ping/bad-number", "throws"}, {"ping/solaris", "0.065000"}, {"ping/bsd-ping6", "0.089000"},
      {"ping/busybox-1.35-ipv6", "0.019000"}, {"ping/iputils-20221126-ipv6", "0.526000"},
      {"ps/linux", ps}, {"ps=", "throws"}, {"df=", "throws"}, {"df /=", "throws"},
      {"ps/long-line", "[worker/1:0]|java xxxxxxxxxxxxxxx...(3005)|" + ps.substr(13)},
      {"ps/procps-ng-4.0.2", "java -Xms512m -Xmx2g...(3961)|my \"odd\"?#name 300|sleep 300"},
      {"ps/busybox-1.35-o-user-args",  // cut at 2,048 bytes by BusyBox itself
       "sleep 300|{sleep} /usr/lib/jvm...(2039)|{sleep} my \"odd\" #name 300"},
      {"df/mixed", "/ 48|/boot 26|/mnt/My Share 95|/var 45|/var 7|/full 100|/odd -|/proc/x -|"},
      // The first mount point of that name, or of that last word; a disk not listed is empty.
      {"df /=df/mixed", "48"}, {"df Share=df/mixed", "95"}, {"df /mnt/My Share=df/mixed", "95"},
      {"df /var=df/mixed", "45"}, {"df /proc/x=df/mixed", "throws"}, {"df /lonely=df/mixed", "-"},
      {"df =df/mixed", "-"}, {"df /bo=df/mixed", "-"}, {"df 2024=df/coreutils-9.1", "63"},
      {"df Share=df/coreutils-9.1", "throws"},  // "/srv/A Share" or "/srv/B Share"
      {"df /srv/Share=df/coreutils-9.1", "10"},
      {"df /srv/copy of /srv/Share=df/coreutils-9.1", "80"}, {kubelet + "df/coreutils-9.1", "30"},
      {kubelet + "df/busybox-1.35", "30"}, {"df /srv/data=df/busybox-1.35-P", "12"},
      {"df /a{35}b=h\nd 1 1 0 5% /a#b\nd 1 1 0 6% /a{35}b\n", "5"},  // as offered, escaped
      {"df /=h\nd 1 1 0 108% /\n", "100"}};  // BSD, above root's reserve
  // clang-format on
  for (const auto& c : rows) {
    const std::string::size_type equals = c.first.find('=');
    const bool inline_output = equals != std::string::npos;
    std::string name = inline_output ? c.first.substr(equals + 1) : c.first;
    boost::replace_first(name, "+/", "/");
    TextLineReader output(output_of(name), 7);
    EXPECT_EQ(parse_output(c.first.substr(0, inline_output ? equals : c.first.find('/')), output),
              c.second)
        << c.first;
  }
}

// Every check on a host of canned output (see give; "+" between consecutive
// runs), at every log level; `log` is a line that must be written.
TEST(Checks, VerdictsFailuresAndDefinitionsAtEveryLogLevel) {
  const std::string bad = "ERROR: Unexpected exception", cut = "ERROR: Command timed out";
  const std::string missing = "ERROR: Required parameter expected", gone = " parameter missing.";
  const std::string vmstat = "ERROR: Unexpected vmstat output: ",
                    disk = "Out of disk space on disk ",
                    top = "ERROR: Unexpected top output: ", df = "ERROR: Unexpected df output: ";
  const std::string rtt = " pings fall into rtt limit. Avg. rtt is ";
  const std::string lost = "DOWN: 0.00%  out of Limit 1%" + rtt + "0.00";
  const struct {
    const char *id, *output, *params;
    std::string outcome, log = "";
  } rows[] = {
      // clang-format off
      {"CPU", "vmstat/procps-3.2", "81", "UP: CPU load is 81"},
      {"CPU", "vmstat/procps-3.2", "80", "DOWN: CPU load 81 out of Limit 80"},
      {"CPU", "vmstat/procps-ng-4", " 4abc", "DOWN: CPU load 5 out of Limit 4"},  // as stoi
      {"CPU", "", "#", missing, "Error: CPU Check Error: Load Limit [%]" + gone},
      {"CPU", "", "abc", bad, "Error: Unexpected exception"},
      {"CPU", "vmstat/non-numeric", "80", bad},
      {"CPU", "", "80", vmstat + "fewer than 4 lines"},
      {"CPU", "missing", "80", "ERROR: vmstat: not found", "Error: vmstat: not found"},
      {"CPU", "vmstat/procps-3.2!s9", "80", "ERROR: vmstat killed by signal 9"},
      {"CPU", "vmstat/no-sy-column", "80", vmstat + "no us or sy column"},
      {"CPU", "vmstat/short-values", "80", vmstat + "too few values"},
      {"CPU", "timeout", "80", cut, "Error: Command timed out"},
      {"CPU", "", nullptr, "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#"},
      {"RAM", "meminfo/256gib", "49", "UP: 50% of RAM memory free"},
      {"RAM", "meminfo/\nMemFree: 1 kB\n", "1", "ERROR: Unexpected /proc/meminfo: no free RAM "
       "figure"},
      {"RAM", "top/procps-ng-4", "95", "UP: 96% of RAM memory free"},  // no /proc/meminfo
      {"RAM", "top/procps-ng-4!1", "96", "DOWN: Low RAM memory: 96% free"},
      {"RAM", "", "0", top + "no free RAM figure"},
      {"RAM", "missing", "1", "ERROR: top: not found"},
      {"RAM", "!1 top: unknown option 'E'", "1", "ERROR: top failed with exit status 1: top: "
       "unknown option 'E'"},
      {"RAM", "top/procps-ng-4.0.2-256gib-kib", "1", top + "memory figures cut short"},
      {"RAM", "MiB Mem : 10.0 total, 25.0 free\n", "1", top + "free RAM of 250%"},
      {"RAM", "Mem: 1 2 3\nMem: 9 0 0 0\n", "1", "UP: 100% of RAM memory free",
       "Warn: Unknown MEM format"},
      {"Swap", "meminfo/1.5tib", "90", "DOWN: Low SWAP memory: 90% free"},
      {"Swap", "top/procps-ng-3.3", "73", "UP: 74% of SWAP memory free"},
      {"Swap", "top/no-swap-line", "0", top + "no free swap figure"},
      {"DiskSpace", "df/mixed", "95#Disks=Share", "UP: Disk Share is 95% used"},
      {"DiskSpace", "df/mixed", "94#Disks=Share", "DOWN: " + disk + "Share: 95% used"},
      {"DiskSpace", "df/mixed", "90#Disks=/gone", "DOWN: " + disk + "/gone: 100% used"},
      {"DiskSpace", "", "90#Disks=/", df + "no heading line"},
      {"DiskSpace", "missing", "90#Disks=/", "ERROR: df: not found"},
      // GNU df ends with 1 when one file system cannot be read, and lists the others.
      {"DiskSpace", "df/mixed!1 df: /x: Permission denied", "45#Disks=/var",
       "UP: Disk /var is 45% used"},
      {"DiskSpace", "df/mixed!1 df: /x: Permission denied", "45#Disks=/x",
       "ERROR: df failed with exit status 1: df: /x: Permission denied"},
      {"DiskSpace", "df/mixed", "90#Disks=/proc/x", df + "no capacity for the disk"},
      {"DiskSpace", "df/coreutils-9.1", "90#Disks=Share",
       "ERROR: The selected disk is the last word of 2 mount points; select it again"},
      {"DiskSpace", "", "#Disks=/#", missing,
       "Error: Disk space check Error: Disk Free Limit [%]" + gone},
      {"DiskSpace", "", "90", missing, "Error: Disk space check Error: Disks" + gone},
      // A df that fails must not cost the definition itself.
      {"DiskSpace", "timeout", nullptr, "#paramname1=Disk Free Limit [%]#paramtype1=longinteger"
       "#maxlength1=100#paramname2=Disks#paramtype2=listcombo#",
       "Error: Disk space check Error: Command timed out"},
      // Whole names of other users' processes only.
      {"Processes", "ps/linux", "mydaemon -k start", "UP: Process mydaemon -k start is running"},
      {"Processes", "ps/linux", "mydaemon", "DOWN: Process mydaemon is not running"},
      {"Processes", "ps/procps-ng-4.0.2", "my {34}odd{34}?{35}name 300",  // as offered
       "UP: Process my {34}odd{34}?{35}name 300 is running"},
      {"Processes", "!1 ps: invalid option -- 'x'+ps/busybox-1.35-o-user-args", "sleep 300",
       "UP: Process sleep 300 is running",
       "Debug: ps failed with exit status 1: ps: invalid option -- 'x'; running ps -o user,args"},
      {"Processes", "!1 ps: bad+!1 ps: worse", "a", "ERROR: ps failed with exit status 1: ps: bad"},
      {"Processes", "", "#", missing, "Error: Process check Error: Select Process" + gone},
      {"Processes", "timeout", "a", cut},
      {"Processes", "USER COMMAND\napp /bin/a\n", nullptr,
       "#paramname1=Select Process#paramtype1=listcombo#valuecount=1#value1=a"
       "#atbutton_paramcount=1#atbutton_param1=Select Process#"},
      // One run per packet in 1 s: 1000 ms per packet are within; a time of 0
      // or a run cut off is a failed run.
      {"Ping", "ping/loss+ping/rtt-10", "80#Number of packets=5", "UP: 80.00% " + rtt + "10.00"},
      {"Ping", "ping/loss+ping/rtt-10", "90#Number of packets=5",
       "DOWN: 80.00%  out of Limit 90%" + rtt + "10.00"},
      {"Ping", "ping/rtt-500+ping/rtt-10", "66#Number of packets=3",
       "UP: 66.00% " + rtt + "173.33"},
      {"Ping", "ping/rtt-1000", "100", "UP: 100.00% " + rtt + "1000.00"},
      {"Ping", "ping/rtt-0+ping/rtt-10", "50#Number of packets=2", "UP: 50.00% " + rtt + "10.00"},
      {"Ping", "ping/rtt-10+timeout", "50#Number of packets=2", "UP: 50.00% " + rtt + "10.00",
       "Warn: ping failed: Command timed out"},
      {"Ping", "ping/unknown-host", "1", lost,
       "Warn: ping failed: ping: nohost.invalid: Name or service not known"},
      {"Ping", "", "1", lost, "Warn: ping failed: Error executing ping."},
      {"Ping", "missing", "1", "ERROR: ping: not found"},
      {"Ping", "ping/bad-number", "1", bad},
      {"Ping", "", "1#Number of packets=0", "ERROR: Number of packets must be at least 1"},
      // 61 runs of 1 s at most could outlast a check (6 time bounds).
      {"Ping", "", "1#Number of packets=61#Overall timeout [s]=61",
       "ERROR: Too many packets for the check time bound of 60 s"},
      {"Ping", "", "1#Number of packets=2000000000", "ERROR: Too many packets for the check "
       "time bound of 60 s"},
      {"Ping", "", "1#Host name or IP=a;b", "ERROR: Invalid host name or IP"},
      {"URL", "", nullptr,
       "#paramname1=URL#paramtype1=text#maxlength1=255#paramname2=Status#paramtype2=longinteger"
       "#maxlength2=600#default2=200#paramname3=Text to find#paramtype3=text#maxlength3=255#"},
      {"cpu", "", "#", "ERROR: Unknown check", "Error: Unknown check cpu"},
      {"cpu", "", nullptr, "#"},
      // clang-format on
  };
  for (int level = 0; level <= logger::Logger::Trace; ++level) {
    for (const auto& c : rows) {
      SCOPED_TRACE(std::string(c.id) + " on " + c.output + " at level " + std::to_string(level));
      const auto env = std::make_shared<FakeEnv>();
      for (const std::string& output : utils::split(c.output, boost::regex("\\+"))) {
        give(*env, output);
      }
      const LogCapture capture(level);
      EXPECT_EQ(run(env, c.id, c.params), c.outcome);
      const auto log_level = static_cast<int>(std::string("_EWID").find(c.log[0]));
      EXPECT_TRUE(c.log.empty() || capture.contains(c.log) == (level >= log_level));
    }
  }
}

// The real agent on a host whose programs are BusyBox applets only: each
// host check answers with the figure the host gives or an error that says why.
TEST(Checks, OnBusyBoxUserland) {
  const TempDir bin;
  for (const char* applet : {"df", "ping", "ping6", "ps", "top", "uname"}) {
    ASSERT_EQ(symlink("/bin/busybox", (bin.path() + "/" + applet).c_str()), 0);
  }
  std::vector<std::string> sleep = {"/bin/sleep", "3001"};  // root's processes never count
  if (geteuid() == 0)
    sleep.insert(sleep.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  const AgentProcess sleeping({sleep.begin() + 1, sleep.end()}, "/dev/null", sleep[0]);
  AgentConfig config;
  config.checks = "CPU, RAM, Swap, DiskSpace, Processes, Ping";
  config.agent_extra = "ramFree = available\n";
  config.path = bin.path();
  const RunningAgent agent(config);
  SshExchange session(agent.port(), "monitor", "secret");
  const auto answer = [&session](const std::string& id, const std::string& params) {
    utils::ParamsMap fields = utils::get_params_map(
        session.request("#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + id +
                        "#para=\"#" + params + "#\"#"));
    return fields.count("errormessage") ? "ERROR: " + fields["errormessage"]
                                        : fields["resultstring"];
  };
  std::map<std::string, double> kb;
  std::ifstream meminfo("/proc/meminfo");
  for (std::string key; meminfo >> key >> kb[key]; meminfo.ignore(99, '\n')) {
  }
  struct statvfs root;
  ASSERT_EQ(statvfs("/", &root), 0);
  const double used = root.f_blocks - root.f_bfree;
  const std::pair<std::string, double> figures[] = {
      {answer("RAM", "Free RAM Limit [%]=0"), kb["MemAvailable:"] * 100 / kb["MemTotal:"]},
      {answer("Swap", "Free Swap Limit [%]=0"),
       kb["SwapTotal:"] == 0 ? 100 : kb["SwapFree:"] * 100 / kb["SwapTotal:"]},
      {answer("DiskSpace", "Disk Free Limit [%]=100#Disks=/"),
       used * 100 / (used + root.f_bavail)}};
  for (const auto& [text, figure] : figures) {
    const char* number = text.c_str() + std::min(text.find_first_of("0123456789"), text.size());
    EXPECT_NEAR(std::atoi(number), figure, 2) << text;
  }
  EXPECT_EQ(answer("CPU", "Load Limit [%]=100"), "ERROR: vmstat: not found");
  EXPECT_EQ(answer("Processes", "Select Process=sleep 3001"), "Process sleep 3001 is running");
  EXPECT_EQ(agent.log_count("Debug: ps failed with exit status 1: ps: invalid option"), 1u);
  const std::string ping = answer("Ping",
                                  "Host name or IP=127.0.0.1#Number of packets=1#"
                                  "Overall timeout [s]=5#Success rate limit [%]=100");
  // Without root BusyBox's ping may not open its socket.
  EXPECT_TRUE(ping.rfind("100.00%  pings", 0) == 0 || agent.log_count("Warn: ping failed: ") == 1)
      << ping;
}

// The command line a check runs on other hosts than plain Linux (`system`
// names the system, or what its Linux host lacks or has).
TEST(Checks, CommandLinesByHost) {
  const std::string ping = " -c 1 h";
  const struct {
    const char *id, *system, *params;
    std::string command;
  } rows[] = {
      {"Processes", "SunOS", "a", "ps -e -o user,args"},
      {"Processes", "IRIX64", nullptr, "ps -e -o user,args"},
      {"DiskSpace", "with xpg4", "1#Disks=/", "/usr/xpg4/bin/df -P"},
      {"Ping", "Linux", "1#Use IPv6=true", "ping6" + ping},
      {"Ping", "without ping6", "1#Use IPv6=true", "ping -6" + ping},
      {"Ping", "Linux", "1#Use IPv6=TRUE", "ping" + ping},
  };
  for (const auto& c : rows) {
    const auto env = std::make_shared<FakeEnv>();
    env->system = c.system;
    if (env->system == "with xpg4") env->files.insert("/usr/xpg4/bin/df");
    if (env->system == "without ping6") env->programs.erase("ping6");
    run(env, c.id, c.params);
    EXPECT_EQ(env->commands_run, std::vector<std::string>{c.command}) << c.command;
  }
}

// The real command lines against programs that print a line and hang: each
// run ends at the time bound and leaves nothing running.
TEST(Checks, HangingCommandsTimeOutAndLeaveNothingRunning) {
  const char* const rows[][3] = {
      {"vmstat", "CPU", "ERROR: Command timed out: vmstat 1 2"},
      {"df", "DiskSpace", "ERROR: Command timed out: df -P"},
      {"ps", "Processes", "ERROR: Command timed out: ps -ax -o user,args"},
      {"ping", "Ping", "DOWN: 0.00%  out of Limit 1% pings fall into rtt limit. Avg. rtt is 0.00"},
  };
  for (const auto& c : rows) {
    HangingPrograms programs;
    programs.add(c[0], "Mem: 1 2 3\n");
    EXPECT_EQ(run(std::make_shared<utils::Env>(1), c[1], "1#Disks=/"), c[2]);
    EXPECT_TRUE(programs.ended(c[0])) << c[0];
  }
}

}  // namespace
