// quor2-bench: measures the agent and, side by side in the same run, OpenSSH's
// sshd serving the same bytes through a forced command, and prints a
// Markdown table with both columns and their ratio. Started by
// bench/run-bench.sh, which prepares both servers; see bench_options.h.
#include <libssh/libssh.h>
#include <signal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
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

// Everything measured of one server.
struct Column {
  std::unique_ptr<bench::ServerUnderTest> server;
  bench::LoadTarget target;
  Samples startup;
  ProcessStats idle;
  Samples total, connect, login, channel, shell, greeting;
  Samples total_no_delay, connect_no_delay;  // the client without Nagle's algorithm
  long setup_errors = 0;
  Samples list_trip, define_trip;
  long trip_errors = 0;
  std::string define_answer;
  std::vector<LevelResult> levels;
  long peak_rss_kb = 0;
  long peak_pss_kb = 0;
  std::string algorithms;
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

void measure_setup(std::vector<Column>& columns, int connections, bool no_delay) {
  for (int i = 0; i < warm_up_connections + connections; ++i) {
    for (Column& column : columns) {
      try {
        const bench::TimedSession session(column.target.port, column.target.user,
                                          column.target.password, column.target.greeting, no_delay);
        if (column.algorithms.empty()) column.algorithms = session.algorithms();
        if (i < warm_up_connections) continue;
        const bench::SetupTimes& times = session.setup_times();
        if (no_delay) {
          column.total_no_delay.add(times.total());
          column.connect_no_delay.add(times.connect);
          continue;
        }
        column.total.add(times.total());
        column.connect.add(times.connect);
        column.login.add(times.login);
        column.channel.add(times.channel);
        column.shell.add(times.shell);
        column.greeting.add(times.greeting);
      } catch (const std::exception& error) {
        if (column.setup_errors++ == 0) report_error(column, error.what());
      }
    }
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
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string ratio(double ours, double theirs) {
  return theirs > 0 ? number(ours / theirs, 2) + "x" : "-";
}

class Table {
 public:
  void row(const std::string& label, double ours, double theirs, int decimals) {
    rows_ << "| " << label << " | " << number(ours, decimals) << " | " << number(theirs, decimals)
          << " | " << ratio(ours, theirs) << " |\n";
  }
  void text_row(const std::string& label, const std::string& ours, const std::string& theirs) {
    rows_ << "| " << label << " | " << ours << " | " << theirs << " | - |\n";
  }
  std::string str() const {
    return "| Measure | quor2 | sshd | quor2/sshd |\n|---|---:|---:|---:|\n" + rows_.str();
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

void print_report(const bench::BenchOptions& options, const Column& ours, const Column& theirs) {
  utsname host{};
  uname(&host);
  std::cout << "\nquor2 against OpenSSH's sshd, same client (libssh " << ssh_version(0)
            << "), loopback.\n"
            << "Machine: " << (options.machine.empty() ? "(not described)" : options.machine)
            << "; " << host.sysname << " " << host.release << ".\n"
            << "Algorithms: quor2 " << ours.algorithms << "; sshd " << theirs.algorithms << ".\n"
            << "Set-up over " << ours.total.size() << " sequential connections each way, after "
            << warm_up_connections << " unmeasured ones; round trips over " << ours.list_trip.size()
            << " requests of each kind; " << options.seconds
            << " s of load per concurrency level.\n\n";

  Table table;
  table.row("Start to listening, median of " + std::to_string(options.starts) + " (ms)",
            ours.startup.median(), theirs.startup.median(), 1);
  table.row("Resident memory idle (MiB)", mib(ours.idle.rss_kb), mib(theirs.idle.rss_kb), 1);
  table.row("Set-up, median (ms)", ours.total.median(), theirs.total.median(), 2);
  table.row("Set-up, 99th percentile (ms)", ours.total.percentile(99), theirs.total.percentile(99),
            2);
  const std::pair<const char*, Samples Column::*> phases[] = {
      {"connect and key exchange", &Column::connect},
      {"login", &Column::login},
      {"channel open", &Column::channel},
      {"shell", &Column::shell},
      {"greeting received", &Column::greeting}};
  for (const auto& phase : phases) {
    table.row(std::string("- ") + phase.first + ", median (ms)", (ours.*phase.second).median(),
              (theirs.*phase.second).median(), 2);
    table.row(std::string("- ") + phase.first + ", 99th percentile (ms)",
              (ours.*phase.second).percentile(99), (theirs.*phase.second).percentile(99), 2);
  }
  table.row("Set-up, client without Nagle's algorithm, median (ms)", ours.total_no_delay.median(),
            theirs.total_no_delay.median(), 2);
  table.row("Set-up, client without Nagle's algorithm, 99th percentile (ms)",
            ours.total_no_delay.percentile(99), theirs.total_no_delay.percentile(99), 2);
  table.row("- connect and key exchange, median (ms)", ours.connect_no_delay.median(),
            theirs.connect_no_delay.median(), 2);
  table.text_row("Set-up errors", std::to_string(ours.setup_errors),
                 std::to_string(theirs.setup_errors));
  const std::pair<const char*, Samples Column::*> trips[] = {
      {"listchecks", &Column::list_trip}, {"definecheck CPU", &Column::define_trip}};
  for (const auto& trip : trips) {
    const Samples& a = ours.*trip.second;
    const Samples& b = theirs.*trip.second;
    table.row(std::string(trip.first) + " round trip, median (ms)", a.median(), b.median(), 3);
    table.row(std::string(trip.first) + " round trip, 99th percentile (ms)", a.percentile(99),
              b.percentile(99), 3);
    table.row(std::string(trip.first) + " requests/s, one session", a.size() * 1000 / a.sum(),
              b.size() * 1000 / b.sum(), 0);
  }
  table.text_row("Round-trip errors", std::to_string(ours.trip_errors),
                 std::to_string(theirs.trip_errors));
  for (std::size_t i = 0; i < ours.levels.size(); ++i) {
    const LevelResult& a = ours.levels[i];
    const LevelResult& b = theirs.levels[i];
    const std::string prefix = std::to_string(a.sessions) + " sessions: ";
    table.row(prefix + "listchecks requests/s", a.requests_per_second, b.requests_per_second, 0);
    table.text_row(prefix + "errors", std::to_string(a.errors), std::to_string(b.errors));
    table.text_row(prefix + "back to idle after they left (ms)", idle_time(a.back_to_idle_ms),
                   idle_time(b.back_to_idle_ms));
    table.text_row(prefix + "threads (sshd: processes) / fds 1 s after",
                   threads_and_fds(a.after_one_second, false),
                   threads_and_fds(b.after_one_second, true));
  }
  table.text_row("Idle threads (sshd: processes) / fds", threads_and_fds(ours.idle, false),
                 threads_and_fds(theirs.idle, true));
  table.row("Resident memory peak, 200 sessions, summed over processes (MiB)",
            mib(ours.peak_rss_kb), mib(theirs.peak_rss_kb), 1);
  table.row("Proportional memory (PSS) peak, 200 sessions (MiB)", mib(ours.peak_pss_kb),
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
  // Interrupted, the benchmark ends both servers before it goes: every
  // thread blocks the stop signals, and one waits for them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  ssh_init();
  std::vector<Column> columns(2);
  Column& ours = columns[0];
  Column& theirs = columns[1];
  ours.server = std::make_unique<bench::ServerUnderTest>("quor2", options.quor2.port,
                                                         options.quor2.command, options.quor2.log);
  theirs.server = std::make_unique<bench::ServerUnderTest>("sshd", options.sshd.port,
                                                           options.sshd.command, options.sshd.log);
  for (Column& column : columns) {
    column.target = {column.server->port(), options.user, options.password, bench::greeting,
                     bench::listing};
  }
  std::thread([stop_signals, &columns] {
    int received = 0;
    sigwait(&stop_signals, &received);
    for (const Column& column : columns) {
      if (column.server->pid() > 0) kill(column.server->pid(), SIGTERM);
    }
    _exit(128 + received);
  }).detach();
  ours.define_answer = bench::definition;
  theirs.define_answer = bench::listing;  // the responder answers everything with the listing

  try {
    std::cerr << "Start-up ...\n";
    measure_startup(columns, options.starts);
    std::cerr << "Set-up ...\n";
    measure_setup(columns, options.connections, false);
    measure_setup(columns, options.connections, true);
    std::cerr << "Round trips ...\n";
    measure_round_trips(columns, options.requests);
    for (const int sessions : levels) {
      std::cerr << sessions << " sessions ...\n";
      for (Column& column : columns) {
        column.levels.push_back(measure_level(column, sessions, options.seconds));
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "quor2-bench: " << error.what() << "\n";
    return 1;
  }
  for (Column& column : columns) column.server->stop();
  print_report(options, ours, theirs);
  return 0;
}
