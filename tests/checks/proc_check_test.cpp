#include "checks/proc_check.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <fstream>

#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"
#include "support/running_agent.h"
#include "support/text_line_reader.h"
#include "utils/command_pipe.h"

namespace {

using checks::ProcCheck;
using testing_support::FakeEnv;

using Strings = std::vector<std::string>;

TEST(ParsePs, ProcessNames) {
  const std::string long_line = "app /usr/bin/java " + std::string(3000, 'x') + "\n";
  testing_support::TextLineReader output(testing_support::read_fixture("ps/linux.txt") + long_line);
  const std::set<std::string> names = ProcCheck::parse_ps(output);
  // The long line arrives in pieces of 2047 bytes; the one-word rest is skipped.
  EXPECT_EQ(Strings(names.begin(), names.end()),
            (Strings{"[worker/1:0]", "java " + std::string(2047 - 18, 'x'), "mydaemon -k start",
                     "php-fpm: pool www", "rootxd --foreground", "run.sh --fast",
                     "server --config /etc/app.conf", "sleep 600"}));
}

TEST(ProcCheck, CommandBySystemName) {
  for (const auto& c : {std::pair<const char*, const char*>{"Linux", "ps -ax -o user,args"},
                        {"SunOS", "ps -e -o user,args"},
                        {"IRIX64", "ps -e -o user,args"}}) {
    FakeEnv env;
    env.system = c.first;
    ProcCheck(false, env).get_procs_set();
    EXPECT_EQ(env.commands_run(), Strings{c.second});
  }
}

TEST(ProcCheck, OnlyWholeNamesOfOtherUsersCount) {
  FakeEnv env;
  env.set_fixture("ps -ax -o user,args", "ps/linux.txt");
  ProcCheck check(false, env);
  for (const auto& c : {std::pair<std::string, bool>{"mydaemon -k start", true},
                        {"mydaemon", false},
                        {"quor2 /etc/quor2/quor.ini", false},
                        {"init splash", false}}) {
    const checks::CheckResult result = check.execute({{"Select Process", c.first}});
    EXPECT_EQ(result.up, c.second) << c.first;
    EXPECT_EQ(result.result_string,
              "Process " + c.first + (c.second ? " is running" : " is not running"));
  }
}

TEST(ProcCheck, RequestIsLoggedEscapedAndAMissingNameOnce) {
  FakeEnv env;
  ProcCheck check(false, env);
  {
    testing_support::LogCapture capture(logger::Logger::Debug);
    check.execute({{"Select Process", "a\tb"}});
    EXPECT_EQ(capture.messages(), Strings{"Debug: Executing proocess check for process a\\tb"});
  }
  testing_support::LogCapture capture(logger::Logger::Debug);
  EXPECT_EQ(check.execute({}).error_message, "Required parameter expected");
  EXPECT_EQ(capture.messages(),
            Strings{"Error: Process check Error: Select Process parameter missing."});
}

TEST(ProcCheck, DefinitionOffersEachNameOnceInOrder) {
  FakeEnv env;
  env.set_output("ps -ax -o user,args", "USER COMMAND\napp /bin/b\napp a\napp /bin/b\nroot c\n");
  EXPECT_EQ(ProcCheck(true, env).get_params_definition(),
            "#paramname1=Select Process#paramtype1=listcombo#valuecount=2#value1=a#value2=b#"
            "atbutton_paramcount=1#atbutton_param1=Select Process#");
}

// /bin/sleep for `seconds` as `user` (null: as ourselves) until the pipe
// goes; whether it came up.
bool start_sleep(std::unique_ptr<utils::CommandPipe>& pipe, const passwd* user,
                 const std::string& seconds) {
  const std::string as_user = user == nullptr ? ""
                                              : "setpriv --reuid=" + std::to_string(user->pw_uid) +
                                                    " --regid=" + std::to_string(user->pw_gid) +
                                                    " --clear-groups ";
  pipe = std::make_unique<utils::CommandPipe>("echo $$; exec " + as_user + "/bin/sleep " + seconds,
                                              std::chrono::seconds(300));
  std::string pid;
  return pipe->read_line(pid, 64) && testing_support::wait_until(5, [&] {
           std::ifstream cmdline("/proc/" + std::to_string(std::stoi(pid)) + "/cmdline");
           return std::string(std::istreambuf_iterator<char>(cmdline), {}) ==
                  "/bin/sleep" + std::string(1, '\0') + seconds + '\0';
         });
}

TEST(ProcCheck, LiveFindsAnUnprivilegedProcessButNoRootOne) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and the user nobody";
  const std::string tag = std::to_string(getpid());
  std::unique_ptr<utils::CommandPipe> as_nobody;
  std::unique_ptr<utils::CommandPipe> as_root;
  ASSERT_TRUE(start_sleep(as_nobody, nobody, "3000." + tag));
  ASSERT_TRUE(start_sleep(as_root, nullptr, "3001." + tag));

  ProcCheck check(true, utils::Env::standard());
  const Strings& names = check.combo_values["Select Process"];
  EXPECT_NE(std::find(names.begin(), names.end(), "sleep 3000." + tag), names.end());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(check.execute({{"Select Process", "sleep 3000." + tag}}).result_string,
            "Process sleep 3000." + tag + " is running");
  EXPECT_EQ(check.execute({{"Select Process", "sleep 3001." + tag}}).result_string,
            "Process sleep 3001." + tag + " is not running");
}

TEST(ProcCheck, HangingPsTimesOutAndLeavesNothingBehind) {
  testing_support::HangingPrograms programs;
  programs.add("ps", "USER COMMAND\napp /bin/a\n");
  const utils::Env env(1);
  testing_support::LogCapture capture(logger::Logger::Error);
  EXPECT_EQ(ProcCheck(false, env).execute({{"Select Process", "a"}}).error_message,
            "Command timed out: ps -ax -o user,args");
  EXPECT_EQ(capture.messages(), Strings{});
  const std::vector<pid_t> pids = programs.pids_of("ps");
  ASSERT_EQ(pids.size(), 2u);
  for (const pid_t pid : pids) EXPECT_FALSE(testing_support::still_running(pid));
}

}  // namespace
