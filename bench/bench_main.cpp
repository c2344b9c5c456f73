// quor2-bench: measures the agent and, side by side in the same run, a
// minimal libssh server (quor2-bench-libssh: what libssh costs by itself)
// and OpenSSH's sshd serving the same bytes through a forced command, and
// prints a Markdown table with the goals, the three columns and the ratio
// of the agent to sshd. Started by bench/run-bench.sh, which prepares the
// servers; see bench_options.h.
#include <libssh/libssh.h>
#include <signal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "bench_options.h"
#include "bench_records.h"
#include "load_run.h"
#include "process_stats.h"
#include "samples.h"
#include "server_under_test.h"
#include "timed_session.h"

namespace {

using bench::ProcessStats;
using bench::Samples;
using Clock = std::chrono::steady_clock;

constexpr int levels[] = {1, 10, 50, 200};
constexpr int warm_up_connections = 10;
constexpr int round_trip_block = 500;
constexpr int answer_timeout_ms = 10000;
constexpr double idle_wait_seconds = 5;
constexpr double none = NAN;  // not measured

const std::string rsa_host_keys = "rsa-sha2-512,rsa-sha2-256";
const std::string ed25519_host_keys = "ssh-ed25519";

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct LevelResult {
  int sessions = 0;
  double requests_per_second = 0;
  long errors = 0;
  std::string first_error;
  double back_to_idle_ms = -1;  // -1: not within idle_wait_seconds
  ProcessStats after_one_second;
};

// Sequential set-ups with one host key type.
struct SetupRun {
  Samples total, connect, login, channel, shell, greeting;
  double cpu_ms = none;  // the server's CPU time per set-up
  long errors = 0;
  std::string algorithms;
};

// Everything measured of one server.
struct Column {
  std::unique_ptr<bench::ServerUnderTest> server;
  bool under_load = true;  // takes part in the concurrency levels
  bench::LoadTarget target;
  Samples startup;
  ProcessStats idle;
  SetupRun rsa, ed25519, rsa_no_delay;  // the last with the client's Nagle's algorithm off
  Samples list_trip, define_trip;
  long trip_errors = 0;
  std::string define_answer;
  std::vector<LevelResult> levels;
  long peak_rss_kb = 0;
  long peak_pss_kb = 0;
};

struct SetupPass {
  std::string host_keys;
  bool no_delay;
  SetupRun Column::*run;
};

void report_error(const Column& column, const std::string& what) {
  std::cerr << column.server->name() << ": " << what << "\n";
}

void measure_startup(std::vector<Column>& columns, int starts) {
  for (int i = 0; i < starts; ++i) {
    for (Column& column : columns) {
      column.startup.add(column.server->start());
      if (i + 1 < starts) column.server->stop();
    }
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  for (Column& column : columns)
    column.idle = bench::read_process_stats(column.server->pid(), true);
}

// Until the server has no more processes than when idle (sshd's of the
// last connections are gone and reaped), at most idle_wait_seconds.
void wait_for_idle_processes(const Column& column) {
  const Clock::time_point start = Clock::now();
  while (bench::read_process_stats(column.server->pid(), false).processes > column.idle.processes &&
         milliseconds_since(start) < idle_wait_seconds * 1000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void measure_setup(std::vector<Column>& columns, int connections, const SetupPass& pass) {
  std::vector<double> cpu_before(columns.size());
  for (int i = 0; i < warm_up_connections + connections; ++i) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      Column& column = columns[c];
      SetupRun& run = column.*pass.run;
      if (i == warm_up_connections) cpu_before[c] = bench::cpu_milliseconds(column.server->pid());
      try {
        const bench::TimedSession session(column.target.port, column.target.user,
                                          column.target.password, column.target.greeting,
                                          pass.no_delay, pass.host_keys);
        if (run.algorithms.empty()) run.algorithms = session.algorithms();
        if (i < warm_up_connections) continue;
        const bench::SetupTimes& times = session.setup_times();
        run.total.add(times.total());
        run.connect.add(times.connect);
        run.login.add(times.login);
        run.channel.add(times.channel);
        run.shell.add(times.shell);
        run.greeting.add(times.greeting);
      } catch (const std::exception& error) {
        if (run.errors++ == 0) report_error(column, error.what());
      }
    }
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    wait_for_idle_processes(columns[c]);
    (columns[c].*pass.run).cpu_ms =
        (bench::cpu_milliseconds(columns[c].server->pid()) - cpu_before[c]) / connections;
  }
}

void round_trips(Column& column, bench::TimedSession& session, const std::string& record,
                 const std::string& answer, Samples& samples) {
  for (int i = 0; i < round_trip_block; ++i) {
    const Clock::time_point start = Clock::now();
    if (!session.request(record, answer, answer_timeout_ms)) {
      if (column.trip_errors++ == 0) report_error(column, "wrong answer to " + record);
    }
    samples.add(milliseconds_since(start));
  }
}

void measure_round_trips(std::vector<Column>& columns, int requests) {
  std::vector<std::unique_ptr<bench::TimedSession>> sessions;
  for (Column& column : columns) {
    sessions.push_back(std::make_unique<bench::TimedSession>(
        column.target.port, column.target.user, column.target.password, column.target.greeting));
  }
  for (int done = 0; done < requests; done += round_trip_block) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      Column& column = columns[i];
      round_trips(column, *sessions[i], bench::list_request, column.target.listing,
                  column.list_trip);
      round_trips(column, *sessions[i], bench::define_request, column.define_answer,
                  column.define_trip);
    }
  }
}

bool is_idle(const ProcessStats& now, const ProcessStats& idle) {
  return now.processes == idle.processes && now.threads == idle.threads && now.fds == idle.fds;
}

LevelResult measure_level(Column& column, int sessions, double seconds) {
  const pid_t pid = column.server->pid();
  const ProcessStats idle = bench::read_process_stats(pid, false);
  const bool sample_memory = sessions == levels[std::size(levels) - 1];
  int ticks = 0;
  bench::LoadRun load(column.target, sessions);
  load.run(seconds, [&] {
    // The proportional share is costly to read for hundreds of processes.
    if (!sample_memory || ticks++ % 5 != 0) return;
    const ProcessStats now = bench::read_process_stats(pid, true);
    column.peak_rss_kb = std::max(column.peak_rss_kb, now.rss_kb);
    column.peak_pss_kb = std::max(column.peak_pss_kb, now.pss_kb);
  });
  const Clock::time_point left = Clock::now();

  LevelResult result;
  result.sessions = sessions;
  result.requests_per_second = load.requests_per_second();
  result.errors = load.errors();
  result.first_error = load.first_error();
  while (milliseconds_since(left) < idle_wait_seconds * 1000) {
    if (is_idle(bench::read_process_stats(pid, false), idle)) {
      result.back_to_idle_ms = milliseconds_since(left);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double wait = 1000 - milliseconds_since(left);
  if (wait > 0)
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(wait * 1000)));
  result.after_one_second = bench::read_process_stats(pid, false);
  if (result.errors > 0) report_error(column, load.first_error());
  return result;
}

// ---- The table ----

std::string number(double value, int decimals) {
  if (std::isnan(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string ratio(double ours, double theirs) {
  return theirs > 0 && !std::isnan(ours) ? number(ours / theirs, 2) + "x" : "-";
}

// A goal of at most `limit` for `value`, and whether it is met.
std::string at_most(double value, double limit, const std::string& unit) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", limit);
  return "<= " + std::string(text) + unit + (value <= limit ? " (met)" : " (missed)");
}

// The columns are the agent, the minimal libssh server and sshd.
class Table {
 public:
  void row(const std::string& label, const std::string& goal, double ours, double plain,
           double theirs, int decimals) {
    rows_ << "| " << label << " | " << goal << " | " << number(ours, decimals) << " | "
          << number(plain, decimals) << " | " << number(theirs, decimals) << " | "
          << ratio(ours, theirs) << " |\n";
  }
  void text_row(const std::string& label, const std::string& goal, const std::string& ours,
                const std::string& plain, const std::string& theirs) {
    rows_ << "| " << label << " | " << goal << " | " << ours << " | " << plain << " | " << theirs
          << " | - |\n";
  }
  std::string str() const {
    return "| Measure | Goal | quor2 | libssh minimal | sshd | quor2/sshd |\n"
           "|---|---|---:|---:|---:|---:|\n" +
           rows_.str();
  }

 private:
  std::ostringstream rows_;
};

double mib(long kb) { return kb / 1024.0; }

std::string threads_and_fds(const ProcessStats& stats, bool processes) {
  return std::to_string(processes ? stats.processes : stats.threads) + " / " +
         std::to_string(stats.fds);
}

std::string idle_time(double ms) { return ms < 0 ? "not within 5 s" : number(ms, 0); }

// The rows of one kind of sequential set-up; `goals` for the median and
// the server's CPU, in ms, unless NaN.
void setup_rows(Table& table, const std::string& name, SetupRun Column::*run,
                const std::vector<Column>& columns, double median_goal, double cpu_goal,
                bool phases) {
  const SetupRun& a = columns[0].*run;
  const SetupRun& b = columns[1].*run;
  const SetupRun& c = columns[2].*run;
  const auto goal = [](double value, double limit) {
    return std::isnan(limit) ? std::string() : at_most(value, limit, " ms");
  };
  table.row(name + ": set-up, median (ms)", goal(a.total.median(), median_goal),
            a.total.median(), b.total.median(), c.total.median(), 2);
  table.row(name + ": set-up, 99th percentile (ms)", "", a.total.percentile(99),
            b.total.percentile(99), c.total.percentile(99), 2);
  const std::pair<const char*, Samples SetupRun::*> steps[] = {
      {"connect and key exchange", &SetupRun::connect},
      {"login", &SetupRun::login},
      {"channel open", &SetupRun::channel},
      {"shell", &SetupRun::shell},
      {"greeting received", &SetupRun::greeting}};
  for (const auto& step : steps) {
    table.row(name + ": - " + step.first + ", median (ms)", "", (a.*step.second).median(),
              (b.*step.second).median(), (c.*step.second).median(), 2);
    if (!phases) break;
  }
  if (!std::isnan(cpu_goal)) {
    table.row(name + ": agent CPU per set-up (ms; sshd: all its processes)",
              goal(a.cpu_ms, cpu_goal), a.cpu_ms, b.cpu_ms, c.cpu_ms, 2);
  }
  table.text_row(name + ": set-up errors", "", std::to_string(a.errors), std::to_string(b.errors),
                 std::to_string(c.errors));
}

void print_report(const bench::BenchOptions& options, const std::vector<Column>& columns) {
  const Column& ours = columns[0];
  const Column& plain = columns[1];
  const Column& theirs = columns[2];
  utsname host{};
  uname(&host);
  std::cout << "\nquor2 against a minimal libssh server and OpenSSH's sshd, same client (libssh "
            << ssh_version(0) << "), loopback.\n"
            << "Machine: " << (options.machine.empty() ? "(not described)" : options.machine)
            << "; " << host.sysname << " " << host.release << ".\n"
            << "Algorithms: quor2 " << ours.rsa.algorithms << "; libssh minimal "
            << plain.rsa.algorithms << "; sshd " << theirs.rsa.algorithms << ".\n"
            << "Set-up over " << ours.rsa.total.size()
            << " sequential connections per server and host key type, after "
            << warm_up_connections << " unmeasured ones; round trips over " << ours.list_trip.size()
            << " requests of each kind; " << options.seconds
            << " s of load per concurrency level (quor2 and sshd).\n\n";

  Table table;
  const double start_ratio = ours.startup.median() / theirs.startup.median();
  table.row("Start to listening, median of " + std::to_string(options.starts) + " (ms)",
            "<= 1.0x sshd" + std::string(start_ratio <= 1.0 ? " (met)" : " (missed)"),
            ours.startup.median(), plain.startup.median(), theirs.startup.median(), 1);
  table.row("Resident memory idle (MiB)", at_most(mib(ours.idle.rss_kb), 8, " MiB"),
            mib(ours.idle.rss_kb), mib(plain.idle.rss_kb), mib(theirs.idle.rss_kb), 1);
  setup_rows(table, "RSA 3072", &Column::rsa, columns, 4, 2.5, true);
  setup_rows(table, "Ed25519", &Column::ed25519, columns, 2, 0.6, true);
  setup_rows(table, "RSA 3072, client without Nagle's algorithm", &Column::rsa_no_delay, columns,
             none, none, false);
  const std::pair<const char*, Samples Column::*> trips[] = {
      {"listchecks", &Column::list_trip}, {"definecheck CPU", &Column::define_trip}};
  for (const auto& trip : trips) {
    const Samples& a = ours.*trip.second;
    const Samples& b = plain.*trip.second;
    const Samples& c = theirs.*trip.second;
    const double trip_ratio = a.median() / c.median();
    table.row(std::string(trip.first) + " round trip, median (ms)",
              "<= 0.30x sshd" + std::string(trip_ratio <= 0.30 ? " (met)" : " (missed)"),
              a.median(), b.median(), c.median(), 3);
    table.row(std::string(trip.first) + " round trip, 99th percentile (ms)", "", a.percentile(99),
              b.percentile(99), c.percentile(99), 3);
    table.row(std::string(trip.first) + " requests/s, one session", "", a.size() * 1000 / a.sum(),
              b.size() * 1000 / b.sum(), c.size() * 1000 / c.sum(), 0);
  }
  table.text_row("Round-trip errors", "", std::to_string(ours.trip_errors),
                 std::to_string(plain.trip_errors), std::to_string(theirs.trip_errors));
  for (std::size_t i = 0; i < ours.levels.size(); ++i) {
    const LevelResult& a = ours.levels[i];
    const LevelResult& b = theirs.levels[i];
    const std::string prefix = std::to_string(a.sessions) + " sessions: ";
    table.row(prefix + "listchecks requests/s", "", a.requests_per_second, none,
              b.requests_per_second, 0);
    table.text_row(prefix + "errors", a.sessions == 200 ? (a.errors == 0 ? "0 (met)" : "0 (missed)") : "",
                   std::to_string(a.errors), "-", std::to_string(b.errors));
    table.text_row(prefix + "back to idle after they left (ms)", "", idle_time(a.back_to_idle_ms),
                   "-", idle_time(b.back_to_idle_ms));
    table.text_row(prefix + "threads (sshd: processes) / fds 1 s after", "",
                   threads_and_fds(a.after_one_second, false), "-",
                   threads_and_fds(b.after_one_second, true));
  }
  table.text_row("Idle threads (sshd: processes) / fds", "", threads_and_fds(ours.idle, false),
                 threads_and_fds(plain.idle, false), threads_and_fds(theirs.idle, true));
  table.row("Resident memory peak, 200 sessions, summed over processes (MiB)", "",
            mib(ours.peak_rss_kb), none, mib(theirs.peak_rss_kb), 1);
  table.row("Proportional memory (PSS) peak, 200 sessions (MiB)", "", mib(ours.peak_pss_kb), none,
            mib(theirs.peak_pss_kb), 1);
  std::cout << table.str();
}

}  // namespace

int main(int argc, char** argv) {
  bench::BenchOptions options;
  try {
    options = bench::parse_bench_options(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "quor2-bench: " << error.what() << "\n";
    return 2;
  }
  bench::block_stop_signals();
  ssh_init();
  std::vector<Column> columns(3);
  const std::pair<const char*, const bench::ServerOptions*> servers[] = {
      {"quor2", &options.quor2}, {"libssh minimal", &options.libssh}, {"sshd", &options.sshd}};
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const bench::ServerOptions& server = *servers[i].second;
    columns[i].server = std::make_unique<bench::ServerUnderTest>(servers[i].first, server.port,
                                                                 server.command, server.log);
    columns[i].target = {server.port, options.user, options.password, bench::greeting,
                         bench::listing};
    // Only the agent knows the definition; the others answer everything
    // with the listing.
    columns[i].define_answer = i == 0 ? bench::definition : bench::listing;
  }
  columns[1].under_load = false;
  std::vector<const bench::ServerUnderTest*> servers_under_test;
  for (const Column& column : columns) servers_under_test.push_back(column.server.get());
  bench::stop_servers_on_signal(servers_under_test);

  try {
    std::cerr << "Start-up ...\n";
    measure_startup(columns, options.starts);
    const std::pair<const char*, SetupPass> passes[] = {
        {"RSA", {rsa_host_keys, false, &Column::rsa}},
        {"Ed25519", {ed25519_host_keys, false, &Column::ed25519}},
        {"RSA without Nagle", {rsa_host_keys, true, &Column::rsa_no_delay}}};
    for (const auto& pass : passes) {
      std::cerr << "Set-up, " << pass.first << " ...\n";
      measure_setup(columns, options.connections, pass.second);
    }
    std::cerr << "Round trips ...\n";
    measure_round_trips(columns, options.requests);
    for (const int sessions : levels) {
      std::cerr << sessions << " sessions ...\n";
      for (Column& column : columns) {
        if (column.under_load) column.levels.push_back(measure_level(column, sessions, options.seconds));
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "quor2-bench: " << error.what() << "\n";
    return 1;
  }
  for (Column& column : columns) column.server->stop();
  print_report(options, columns);
  return 0;
}
