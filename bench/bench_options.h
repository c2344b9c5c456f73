// The command line of quor2-bench: where the three servers listen (the
// agent, the minimal libssh server, OpenSSH's sshd), how to start them, the
// login, and how much to measure.
//
//   quor2-bench --user NAME --password-file FILE
//               --quor2-port P --quor2-command 'build/quor2 /tmp/b/quor.ini' --quor2-log FILE
//               --sshd-port P --sshd-command '/usr/sbin/sshd -D -e -f /tmp/b/sshd_config'
//               --sshd-log FILE --libssh-port P --libssh-command '...' --libssh-log FILE
//               [--connections 200] [--requests 5000] [--seconds 5]
//               [--starts 5] [--machine TEXT]
//
// Commands are split at blanks and run without a shell.
//
// quor2-bench-checks drives one agent that offers the host checks:
//
//   quor2-bench-checks --user NAME --password-file FILE
//               --quor2-port P --quor2-command '...' --quor2-log FILE
//               [--runs 25] [--machine TEXT]
#ifndef QUOR2_BENCH_BENCH_OPTIONS_H_
#define QUOR2_BENCH_BENCH_OPTIONS_H_

#include <string>
#include <vector>

namespace bench {

struct ServerOptions {
  int port = 0;
  std::vector<std::string> command;
  std::string log;
};

struct BenchOptions {
  std::string user;
  std::string password;
  ServerOptions quor2;
  ServerOptions sshd;
  ServerOptions libssh;
  int connections = 200;  // sequential set-ups per server
  int requests = 5000;    // round trips per request kind and server
  double seconds = 5;     // of load per concurrency level
  int starts = 5;         // start-up measurements per server
  std::string machine;    // a description for the report
};

struct CheckBenchOptions {
  std::string user;
  std::string password;
  ServerOptions quor2;
  int runs = 25;  // per check; the CPU check takes a second a run
  std::string machine;
};

// Throw std::invalid_argument with a readable text for a bad command line
// or an unreadable password file.
BenchOptions parse_bench_options(int argc, char** argv);
CheckBenchOptions parse_check_bench_options(int argc, char** argv);

}  // namespace bench

#endif  // QUOR2_BENCH_BENCH_OPTIONS_H_
