// The life of the agent process: configuration, logging, optional
// daemonization, the stop handler, and the worker's loop on the main thread.
#include <fcntl.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "logger/logger.h"
#include "main/config_check.h"
#include "settings/settings.h"
#include "utils/password.h"
#include "utils/version.h"
#include "worker/quor_worker.h"

// The running worker; the stop handler takes it (once) to request the stop.
std::atomic<QuorWorker*> _worker{nullptr};

namespace {

// The handler only records the signal; the main thread logs it later.
constexpr int recorded_signal_slots = 16;
std::atomic<int> recorded_signals[recorded_signal_slots];
std::atomic<int> recorded_signal_count{0};
int logged_signal_count = 0;

static_assert(std::atomic<QuorWorker*>::is_always_lock_free, "handler needs lock-free atomics");
static_assert(std::atomic<int>::is_always_lock_free, "handler needs lock-free atomics");

void log_caught_signals() {
  const int count = std::min(recorded_signal_count.load(), recorded_signal_slots);
  for (; logged_signal_count < count; ++logged_signal_count) {
    QLOG_TRACE(" > sigint_handler");
    QLOG_DEBUG("Signal" + std::to_string(recorded_signals[logged_signal_count].load()) + " caught");
    QLOG_TRACE(" < sigint_handler");
  }
}

std::string error_text() { return std::strerror(errno); }

// Only its owner's group may read the log: it names users, hosts and
// checks. A symbolic link at the path is refused, so the agent (often
// root) cannot be made to append to a file that someone else chose.
int open_log(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0640);
}

void daemonize(const std::string& log_path) {
  QLOG_DEBUG("Daemonization requested.");
  QLOG_TRACE(" > daemonize");
  pid_t pid = fork();
  if (pid < 0) {
    QLOG_ERROR("First fork failed: " + error_text());
    std::exit(1);
  }
  if (pid > 0) std::exit(0);
  if (setsid() < 0) {
    QLOG_ERROR("setsid failed: " + error_text());
    std::exit(1);
  }
  // SIGCHLD keeps its default: the checks read the exit status of the
  // commands they run, which an ignored SIGCHLD would discard.
  signal(SIGHUP, SIG_IGN);
  pid = fork();
  if (pid < 0) {
    QLOG_ERROR("Second fork failed: " + error_text());
    std::exit(1);
  }
  if (pid > 0) std::exit(0);
  umask(0);
  if (chdir("/") != 0) {
    // Staying in the old folder does no harm.
  }
  const long open_max = sysconf(_SC_OPEN_MAX);
  for (long fd = open_max; fd > 0; --fd) close(static_cast<int>(fd));
  const int null_fd = open("/dev/null", O_RDWR);
  dup2(null_fd, 0);
  dup2(null_fd, 1);
  dup2(null_fd, 2);
  if (!log_path.empty()) {
    QLOG_DEBUG("Opening " + log_path + " for logging.");
    const int log_fd = open_log(log_path);
    if (log_fd > 0) {
      dup2(log_fd, 2);
      if (log_fd > 2) close(log_fd);
    }
  }
  if (null_fd > 2) close(null_fd);
  QLOG_TRACE(" < daemonize");
  QLOG_DEBUG("Daemonized.");
}

}  // namespace

void sigint_handler(int signal) {
  const int slot = recorded_signal_count.fetch_add(1);
  if (slot < recorded_signal_slots) recorded_signals[slot].store(signal);
  QuorWorker* worker = _worker.exchange(nullptr);
  if (worker != nullptr) worker->stop_requested = 1;
}

namespace {

const char usage[] =
    "Usage: quor2 [CONFIG]\n"
    "       quor2 --check-config FILE\n"
    "       quor2 --hash-password\n"
    "       quor2 --version | --help\n"
    "\n"
    "Monitoring agent: answers a monitoring server that logs in over SSH.\n"
    "\n"
    "  CONFIG               configuration file, used when it exists\n"
    "                       (default /etc/quor2/quor.ini)\n"
    "  --check-config FILE  read FILE as the agent would, print the effective\n"
    "                       settings and every problem; exit 0 when the agent\n"
    "                       would start, 255 otherwise\n"
    "  --hash-password      read a password (twice from a terminal, without\n"
    "                       echo, or one line of standard input) and print\n"
    "                       the {CRYPT} value for the [password] section\n"
    "  --version            print the version\n"
    "  --help               print this text\n"
    "\n"
    "SIGINT or SIGTERM stops the agent. See quor2(8) and quor.ini(5).\n";

// One line of standard input; when it is a terminal, after `prompt` on
// standard error and without echo. False at end of input.
bool read_password(const std::string& prompt, std::string& password) {
  termios saved;
  const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::cerr << prompt << std::flush;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool read = static_cast<bool>(std::getline(std::cin, password));
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
  }
  return read;
}

int hash_password_option() {
  std::string password;
  if (!read_password("Password: ", password) || password.empty()) {
    std::cerr << "quor2: no password given\n";
    return 1;
  }
  std::string again;
  if (isatty(STDIN_FILENO) && (!read_password("Again: ", again) || again != password)) {
    std::cerr << "quor2: the passwords differ\n";
    return 1;
  }
  const std::string value = utils::hash_password(password);
  if (value.empty()) {
    std::cerr << "quor2: libcrypt could not hash the password\n";
    return 1;
  }
  std::cout << value << "\n";
  return 0;
}

// The options an administrator runs by hand; any other first argument is
// the configuration path. Returns the exit status, or -1 to start the agent.
int handle_options(int argc, char** argv) {
  if (argc < 2) return -1;
  const std::string option = argv[1];
  if (option == "--version") {
    std::cout << utils::banner << "\n";
    return 0;
  }
  if (option == "--help") {
    std::cout << usage;
    return 0;
  }
  if (option == "--hash-password") return hash_password_option();
  if (option == "--check-config") {
    if (argc < 3) {
      std::cerr << usage;
      return 255;
    }
    return ConfigCheck(argv[2]).report(std::cout);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int option_status = handle_options(argc, argv);
  if (option_status >= 0) return option_status;

  init_snmp("quor2");
  logger::Logger::current_logger->level = logger::Logger::Warn;

  std::string path = "/etc/quor2/quor.ini";
  struct stat info;
  if (argc > 1 && stat(argv[1], &info) == 0) path = argv[1];

  Settings settings(path);
  const DaemonSettings daemon_settings = settings;
  logger::Logger::current_logger->level = daemon_settings.loglevel;

  if (!daemon_settings.log.empty()) {
    const int fd = open_log(daemon_settings.log);
    if (fd < 0) {
      QLOG_ERROR("Can not open log file: " + error_text());
      std::exit(1);
    }
    dup2(fd, 2);
    close(fd);
  }
  QLOG_TRACE("Logging set up.");
  QLOG_INFO("Starting " + std::string(utils::banner));
  if (ConfigCheck::readable_by_others(path)) {
    QLOG_WARN("Configuration file " + path +
              " can be read by users other than its owner; it holds passwords in plain text");
  }

  if (daemon_settings.daemonize) daemonize(daemon_settings.log);

  // A client that vanishes mid-write must not kill the agent; a SIGCHLD
  // ignored by whoever started the agent would hide the commands' statuses.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGCHLD, SIG_DFL);
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = sigint_handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  {
    QuorWorker worker(settings);
    _worker = &worker;
    worker.do_work();
    _worker = nullptr;
    log_caught_signals();
    QLOG_INFO("Exiting.");
    // Session threads that outlasted the stop still use the worker and the
    // logger: end the process without destroying them.
    if (worker.running_sessions() > 0) std::_Exit(0);
  }
  return 0;
}
