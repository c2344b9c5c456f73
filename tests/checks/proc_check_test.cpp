#include "checks/proc_check.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <fstream>

#include "support/check_outcome.h"
#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"
#include "support/agent_process.h"
#include "utils/command_pipe.h"

namespace {

using checks::ProcCheck;
using testing_support::FakeEnv;

using Strings = std::vector<std::string>;

TEST(ProcCheck, DefinitionOffersTheNamesOfOtherUsersProcesses) {
  for (const auto& c : {std::pair<const char*, const char*>{"Linux", "ps -ax -o user,args"},
                        {"SunOS", "ps -e -o user,args"},
                        {"IRIX64", "ps -e -o user,args"}}) {
    FakeEnv env;
    env.system = c.first;
    env.set_output(c.second, testing_support::read_fixture("ps/linux.txt") + "app /usr/bin/java " +
                                 std::string(3000, 'x') + "\n");
    // The long line arrives in pieces of 2047 bytes; the one-word rest is
    // skipped. Names come once each, in byte order.
    EXPECT_EQ(ProcCheck(true, env).combo_values["Select Process"],
              (Strings{"[worker/1:0]", "java " + std::string(2047 - 18, 'x'), "mydaemon -k start",
                       "php-fpm: pool www", "rootxd --foreground", "run.sh --fast",
                       "server --config /etc/app.conf", "sleep 600"}))
        << c.first;
  }
}

TEST(ProcCheck, OnlyWholeNamesOfOtherUsersCount) {
  FakeEnv env;
  env.set_fixture("ps -ax -o user,args", "ps/linux.txt");
  const auto run = [&env](const std::string& name) {
    return testing_support::outcome(ProcCheck(false, env).execute({{"Select Process", name}}));
  };
  EXPECT_EQ(run("mydaemon -k start"), "UP: Process mydaemon -k start is running");
  EXPECT_EQ(run("mydaemon"), "DOWN: Process mydaemon is not running");
  EXPECT_EQ(run("quor2 /etc/quor2/quor.ini"),
            "DOWN: Process quor2 /etc/quor2/quor.ini is not running");
  EXPECT_EQ(run("init splash"), "DOWN: Process init splash is not running");
}

TEST(ProcCheck, RequestIsLoggedEscapedAndAMissingNameOnce) {
  FakeEnv env;
  testing_support::LogCapture capture(logger::Logger::Debug);
  ProcCheck(false, env).execute({{"Select Process", "a\tb"}});
  EXPECT_EQ(ProcCheck(false, env).execute({}).error_message, "Required parameter expected");
  EXPECT_EQ(
      capture.messages(),
      (Strings{"Debug: ProcCheck for check", "Debug: Executing proocess check for process a\\tb",
               "Debug: ProcCheck for check",
               "Error: Process check Error: Select Process parameter missing."}));
}

TEST(ProcCheck, LiveFindsAnUnprivilegedProcessButNoRootOne) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and the user nobody";
  const std::string sleep = "sleep 3000." + std::to_string(getpid());
  const utils::CommandPipe as_nobody("exec setpriv --reuid=" + std::to_string(nobody->pw_uid) +
                                         " --regid=" + std::to_string(nobody->pw_gid) +
                                         " --clear-groups /bin/" + sleep,
                                     std::chrono::seconds(300));
  Strings names;
  ASSERT_TRUE(testing_support::wait_until(5, [&] {
    names = ProcCheck(true, utils::Env::standard()).combo_values["Select Process"];
    return std::find(names.begin(), names.end(), sleep) != names.end();
  }));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  // This test itself runs as root.
  std::ifstream cmdline("/proc/self/cmdline");
  std::string ourselves;
  for (std::string arg; std::getline(cmdline, arg, '\0');) {
    ourselves += ourselves.empty() ? arg.substr(arg.rfind('/') + 1) : " " + arg;
  }
  ProcCheck check(false, utils::Env::standard());
  EXPECT_EQ(testing_support::outcome(check.execute({{"Select Process", sleep}})),
            "UP: Process " + sleep + " is running");
  EXPECT_EQ(testing_support::outcome(check.execute({{"Select Process", ourselves}})),
            "DOWN: Process " + ourselves + " is not running");
}

TEST(ProcCheck, HangingPsTimesOutAndLeavesNothingBehind) {
  testing_support::HangingPrograms programs;
  programs.add("ps", "USER COMMAND\napp /bin/a\n");
  const utils::Env env(1);
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(ProcCheck(false, env).execute({{"Select Process", "a"}}).error_message,
            "Command timed out: ps -ax -o user,args");
  EXPECT_EQ(capture.messages(), Strings{});
  EXPECT_TRUE(programs.ended("ps"));

  // A definition request still gets its answer, without process names.
  EXPECT_EQ(ProcCheck(true, env).combo_values["Select Process"], Strings{});
  EXPECT_EQ(capture.messages(),
            Strings{"Error: Process check Error: Command timed out: ps -ax -o user,args"});
}

}  // namespace
