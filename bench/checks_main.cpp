// quor2-bench-checks: what each host check costs the host when the agent
// runs it, beside reading the same figure from /proc in this process, and
// prints a Markdown table. The agent runs the checks over one SSH session
// as a monitoring server asks for them. Started by bench/run-bench.sh,
// which prepares the agent; see bench_options.h.
#include <libssh/libssh.h>
#include <signal.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "bench_options.h"
#include "bench_records.h"
#include "proc_reads.h"
#include "process_stats.h"
#include "samples.h"
#include "server_under_test.h"
#include "timed_session.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int answer_timeout_ms = 30000;
constexpr double none = NAN;
const char* const absent_process = "quor2-bench-absent";

// What one check is asked, and how the same figure reads from /proc.
struct HostCheck {
  std::string label;
  std::string id;
  std::string para;                            // the parameter record of the request
  double cpu_goal_ms;                          // at most this much host CPU per run; NaN: none
  std::function<std::string()> read_directly;  // empty: nothing to compare
};

struct Cost {
  bench::Samples wall;
  double cpu_ms = none;  // per run
  std::string answer;    // of the last run
};

struct Measured {
  Cost agent, direct;
  long failures = 0;  // runs answered with an error message, or not at all
  std::string first_failure;
};

std::vector<HostCheck> host_checks() {
  return {
      {"CPU", "CPU", "#Load Limit [%]=100#", none,
       [] { return std::to_string(bench::cpu_load_percent()) + "% load"; }},
      {"RAM", "RAM", "#Free RAM Limit [%]=1#", 1.0,
       [] { return std::to_string(bench::free_ram_percent()) + "% free"; }},
      {"Swap", "Swap", "#Free Swap Limit [%]=1#", 1.0,
       [] { return std::to_string(bench::free_swap_percent()) + "% free"; }},
      {"DiskSpace /", "DiskSpace", "#Disk Free Limit [%]=99#Disks=/#", none,
       [] { return std::to_string(bench::disk_used_percent("/")) + "% used"; }},
      {"Processes", "Processes", std::string("#Select Process=") + absent_process + "#", none,
       [] {
         int scanned = 0;
         const int found = bench::processes_named(absent_process, scanned);
         return std::to_string(found) + " found among " + std::to_string(scanned) + " processes";
       }},
      {"Ping 127.0.0.1, 1 packet", "Ping",
       "#Host name or IP=127.0.0.1#Number of packets=1#Overall timeout [s]=1#"
       "Success rate limit [%]=100#",
       none, nullptr},
  };
}

std::string run_request(const HostCheck& check) {
  return "#keycount=5#sessionid=1#requestaction=runcheck#checkid=" + check.id + "#para=\"" +
         check.para + "\"#";
}

// The value of `key` in a response record; empty when absent.
std::string value_of(const std::string& record, const std::string& key) {
  const std::string wanted = "#" + key + "=";
  const std::string::size_type at = record.find(wanted);
  if (at == std::string::npos) return "";
  const std::string::size_type start = at + wanted.size();
  const std::string::size_type end = record.find('#', start);
  return record.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double process_cpu_ms() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// One unmeasured run first: the commands' files come into the page cache.
Measured measure(const HostCheck& check, bench::TimedSession& session, pid_t agent, int runs) {
  Measured measured;
  const std::string request = run_request(check);
  session.exchange(request, answer_timeout_ms);
  const double agent_before = bench::cpu_milliseconds(agent);
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    const std::string answer = session.exchange(request, answer_timeout_ms);
    measured.agent.wall.add(milliseconds_since(start));
    const std::string result = value_of(answer, "result");
    measured.agent.answer = result.empty() ? "error: " + value_of(answer, "errormessage")
                                           : result + ", " + value_of(answer, "resultstring");
    if (result.empty() && measured.failures++ == 0) {
      measured.first_failure = answer.empty() ? "no answer" : answer;
    }
  }
  measured.agent.cpu_ms = (bench::cpu_milliseconds(agent) - agent_before) / runs;

  if (!check.read_directly) return measured;
  check.read_directly();
  const double cpu_before = process_cpu_ms();
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    measured.direct.answer = check.read_directly();
    measured.direct.wall.add(milliseconds_since(start));
  }
  measured.direct.cpu_ms = (process_cpu_ms() - cpu_before) / runs;
  return measured;
}

std::string number(double value, int decimals) {
  if (std::isnan(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string goal(const HostCheck& check, const Measured& measured) {
  if (std::isnan(check.cpu_goal_ms)) return "";
  return "<= " + number(check.cpu_goal_ms, 0) + " ms CPU" +
         (measured.agent.cpu_ms <= check.cpu_goal_ms ? " (met)" : " (missed)");
}

double median_or_none(const bench::Samples& samples) {
  return samples.size() > 0 ? samples.median() : none;
}

void print_report(const bench::CheckBenchOptions& options, const std::vector<HostCheck>& checks,
                  const std::vector<Measured>& results) {
  utsname host{};
  uname(&host);
  const double tick_ms = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::cout
      << "\nHost checks: quor2 runs each " << options.runs
      << " times on one session (after one unmeasured run), beside the same figure read\n"
      << "from /proc in the benchmark's own process. quor2's CPU is utime + stime + cutime + "
         "cstime\n"
      << "of its process (/proc/<pid>/stat): its own work and that of the commands it ran and\n"
      << "reaped. The clock tick is " << number(tick_ms, 0) << " ms, so that figure resolves "
      << number(tick_ms / options.runs, 2) << " ms per run; the /proc\n"
      << "column is CLOCK_PROCESS_CPUTIME_ID. The CPU check waits one second in both columns\n"
      << "(vmstat's interval; two reads of /proc/stat a second apart): wall time, not CPU.\n"
      << "Machine: " << (options.machine.empty() ? "(not described)" : options.machine) << "; "
      << host.sysname << " " << host.release << ".\n\n"
      << "| Check | Goal | quor2: wall, median (ms) | quor2: host CPU per run (ms) "
         "| /proc read: wall, median (ms) | /proc read: CPU per run (ms) |\n"
      << "|---|---|---:|---:|---:|---:|\n";
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const Measured& m = results[i];
    std::cout << "| " << checks[i].label << " | " << goal(checks[i], m) << " | "
              << number(median_or_none(m.agent.wall), 2) << " | " << number(m.agent.cpu_ms, 2)
              << " | " << number(median_or_none(m.direct.wall), 4) << " | "
              << number(m.direct.cpu_ms, 4) << " |\n";
  }
  std::cout << "\nAnswers of the last run (quor2; /proc):\n";
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const Measured& m = results[i];
    std::cout << "- " << checks[i].label << ": " << m.agent.answer << "; "
              << (m.direct.answer.empty() ? "-" : m.direct.answer) << "\n";
    if (m.failures > 0) {
      std::cout << "  " << m.failures << " of " << options.runs
                << " runs failed; the first answer: " << m.first_failure << "\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bench::CheckBenchOptions options;
  try {
    options = bench::parse_check_bench_options(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "quor2-bench-checks: " << error.what() << "\n";
    return 2;
  }
  bench::block_stop_signals();
  ssh_init();
  bench::ServerUnderTest agent("quor2", options.quor2.port, options.quor2.command,
                               options.quor2.log);
  bench::stop_servers_on_signal({&agent});

  const std::vector<HostCheck> checks = host_checks();
  std::vector<Measured> results;
  try {
    agent.start();
    bench::TimedSession session(options.quor2.port, options.user, options.password,
                                bench::greeting);
    for (const HostCheck& check : checks) {
      std::cerr << "Host check " << check.label << " ...\n";
      results.push_back(measure(check, session, agent.pid(), options.runs));
    }
  } catch (const std::exception& error) {
    std::cerr << "quor2-bench-checks: " << error.what() << "\n";
    return 1;
  }
  agent.stop();
  print_report(options, checks, results);
  return 0;
}
