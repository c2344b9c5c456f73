// Checks of the administrator's own: their files, the folder they load
// from, and runs against Debian's monitoring plugins.
#include "checks/own_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "checks/check_factory.h"
#include "checks/own_check_folder.h"
#include "commands/commands_factory.h"
#include "main/config_check.h"
#include "support/fake_env.h"
#include "support/hanging_programs.h"
#include "support/log_capture.h"
#include "support/running_agent.h"

namespace {

using checks::OwnCheckDefinition;
using namespace testing_support;

const std::string dummy = "/usr/lib/nagios/plugins/check_dummy";

// A definition file of the check "Own" running `command`.
std::string file(const std::string& command, const std::string& more = "") {
  return "[check]\nid = Own\ncommand = " + command + "\n" + more;
}

std::shared_ptr<const OwnCheckDefinition> parsed(const std::string& text) {
  return std::make_shared<const OwnCheckDefinition>(OwnCheckDefinition::parse(text));
}

TEST(OwnCheckDefinition, MalformedFilesAndTheirReasons) {
  const std::string p = "[parameter1]\nname = P\n";
  const std::pair<std::string, std::string> rows[] = {
      {file(dummy + " 0 x{P}y", p), ""},
      {"[check]\ncommand = /bin/true\n", "no id"},
      {"[check]\nid = Own\n", "no program in command"},
      {file("true"), "command: the program true is not an absolute path"},
      {file("/bin/echo {Q}", p), "command: the placeholder {Q} names no parameter"},
      {file("/bin/{P}", p), "command: the program /bin/{P} holds a placeholder"},
      {file("/bin/echo {P", p), "command: { without } in {P"},
      {"[check]\nid = C#\ncommand = /bin/true\n", "the id C# is not 1 to 64 of A-Z a-z 0-9 _ -"},
      {file("/bin/true", "[parameter1]\nname = P\ntype = list\n"), "[parameter1]: unknown type list"},
      {file("/bin/true", "[parameter2]\nname = P\n"), "[parameter2] without [parameter1]"},
      {file("/bin/true", p + "[parameter2]\nname = P\n"), "[parameter2]: a second parameter named P"},
      {file("/bin/true", p + "patern = .*\n"), "unknown key patern in [parameter1]"},
      {file("/bin/true", "[parameter1]\nname = P\ntype = listdrop\n"),
       "[parameter1]: a listdrop needs values"},
      {file("/bin/true", p + "values_command = /bin/ls\n"),
       "[parameter1]: values_command is for the types listcombo only"},
      // A default or fixed value the check would refuse at run time.
      {file("/bin/echo {P}", p + "default = -v\n"), "[parameter1]: the default -v is not a valid value"},
      {file("/bin/true", p + "type = listcombo\nvalues = a,,b\n"),
       "[parameter1]: the value \"\" is not a valid value"},
      {"id = Own\n[check]\ncommand = /bin/true\n", "the key id is in no section"},
      {"[check]\nid\n", "line 2: '=' character not found in line"},
  };
  for (const auto& row : rows) {
    std::string reason;
    try {
      OwnCheckDefinition::parse(row.first);
    } catch (const std::runtime_error& error) {
      reason = error.what();
    }
    EXPECT_EQ(reason, row.second) << row.first;
  }
}

// Files are read in name order; those others could have written, and
// those that clash with another check, are refused each with one Error
// line, in the log and in --check-config.
TEST(OwnCheckFolder, LoadsTrustedFilesAndRefusesTheOthers) {
  const TempDir dir;
  const std::string folder = dir.path() + "/checks.d", in = folder + "/";
  mkdir(folder.c_str(), 0750);
  const auto add = [&](const std::string& name, const std::string& id, mode_t mode,
                       const std::string& program = "/bin/true") {
    std::ofstream(in + name) << "[check]\nid = " << id << "\ncommand = " << program << "\n";
    chmod((in + name).c_str(), mode);
  };
  add("b.ini", "B", 0644), add("a.ini", "A", 0600), add("notes.txt", "T", 0644);
  add("c.ini", "C", 0646), add("d.ini", "D", 0620), add("e.ini", "CPU", 0644);
  add("f.ini", "A", 0644), add("g.ini", "G", 0644, "bin/true"), add("h.ini", "H", 0644);
  mkdir((in + "i.ini").c_str(), 0755);
  std::vector<std::string> refused = {
      in + "c.ini: the file is writable by group or others",
      in + "d.ini: the file is writable by group or others",
      in + "e.ini: the id CPU is a built-in check's", in + "f.ini: the id A is taken by " + in + "a.ini",
      in + "g.ini: command: the program bin/true is not an absolute path",
      in + "i.ini: the file is not a regular file"};
  if (geteuid() == 0 && chown((in + "h.ini").c_str(), 65534, 65534) == 0) {
    refused.insert(refused.end() - 1,
                   in + "h.ini: the file is owned by user id 65534, neither root nor the agent's user");
  }
  const LogCapture capture(logger::Logger::Error);
  const checks::OwnCheckFolder own(folder, checks::CheckFactory::known_ids());
  EXPECT_EQ(own.refused(), refused);
  EXPECT_EQ(capture.messages().size(), refused.size());
  ASSERT_EQ(own.checks().size(), 2 + (refused.size() == 6));
  EXPECT_EQ(own.checks()[0]->id + own.checks()[1]->id, "AB");

  // checkDir by default, and relative to the configuration's folder.
  std::ostringstream report;
  ConfigCheck(dir.write("quor.ini", "[password]\nu = p\n")).report(report);
  EXPECT_NE(report.str().find("  own check A = " + in + "a.ini\n  own check B = "), std::string::npos);
  EXPECT_NE(report.str().find("warning: own check refused: " + refused[0] + "\n"), std::string::npos);
  EXPECT_EQ(Settings::load(dir.write("q.ini", "[agent]\ncheckDir = x/../checks.d\n[password]\nu=p\n"))
                .checkDir,
            folder);
  EXPECT_EQ(Settings::load(dir.write("q.ini", "[agent]\ncheckDir =\n[password]\nu=p\n")).checkDir, "");

  chmod(folder.c_str(), 0770);  // refused whole
  const checks::OwnCheckFolder open(folder, {});
  EXPECT_TRUE(open.checks().empty());
  EXPECT_EQ(open.refused(), std::vector<std::string>{folder + ": the folder is writable by group or others"});
}

// check_dummy exits with its first argument and prints its second.
TEST(OwnCheck, VerdictsTextsAndRefusedValues) {
  const TempDir dir;
  const std::string made = dir.path() + "/made", invalid = "ERROR: Invalid value for Text";
  const std::string status_and_text = dummy + " {Status} {Text}";
  const char* const any = ".*";
  const struct {
    std::string command;
    const char *pattern, *status;
    std::string text, outcome;  // text "(none)": not given
  } rows[] = {
      {status_and_text, nullptr, "0", "a b  c", "UP: OK: a b  c"},  // one argument
      {status_and_text, nullptr, "1", "x", "DOWN: WARNING: x"},
      {status_and_text, nullptr, "2", "x", "DOWN: CRITICAL: x"},
      {status_and_text, nullptr, "3", "x", "ERROR: UNKNOWN: x"},
      {status_and_text, nullptr, "4", "x", "ERROR: UNKNOWN: Status 4 is not a supported error state"},
      {status_and_text, nullptr, nullptr, "x", "UP: OK: x"},  // the default
      {status_and_text, nullptr, "0", "(none)", "ERROR: Required parameter expected"},
      {status_and_text, nullptr, "1 ", "x", "ERROR: Invalid value for Status"},
      {status_and_text, "[a-z0-9 |=;]*", "0", "up | t=1;2", "UP: OK: up"},
      {"/usr/bin/false", nullptr, "0", "x", "DOWN: exit status 1"},
      {"/usr/bin/env --no-such-option", nullptr, "0", "x", "ERROR: exit status 125"},
      {"/usr/bin/yes", nullptr, "0", "x", "ERROR: /usr/bin/yes killed by signal 13"},  // unread
      {"/no/such/plugin", nullptr, "0", "x", "ERROR: /no/such/plugin: not found"},
      // Refused whatever the pattern: a control character, a leading "-".
      {status_and_text, any, "0", "a\nb", invalid},
      {status_and_text, any, "0", "-h", invalid},
      {dummy + " 0 x{Text}", any, "0", "-h", "UP: OK: x-h"},
      // Refused by the default pattern; let through, mere text.
      {status_and_text, nullptr, "0", "$(touch " + made + ")", invalid},
      {status_and_text, any, "0", "$(touch " + made + ")", "UP: OK: $(touch " + made + ")"},
      {status_and_text, nullptr, "0", "`touch " + made + "`", invalid},
      {status_and_text, any, "0", "`touch " + made + "`", "UP: OK: `touch " + made + "`"},
      {status_and_text, nullptr, "0", "x; touch " + made, invalid},
      {status_and_text, any, "0", "x; touch " + made, "UP: OK: x; touch " + made},
  };
  for (const auto& row : rows) {
    const std::string pattern = row.pattern ? "pattern = " + std::string(row.pattern) + "\n" : "";
    std::map<std::string, std::string> params;
    if (row.status) params["Status"] = row.status;
    if (row.text != "(none)") params["Text"] = row.text;
    const checks::CheckFactory factory(
        {}, std::make_shared<utils::Env>(),
        {parsed(file(row.command, "[parameter1]\nname = Status\ntype = longinteger\ndefault = 0\n"
                                  "[parameter2]\nname = Text\n" + pattern))});
    EXPECT_EQ(outcome(factory.get_check("Own", checks::Purpose::kRun)->execute(params)),
              row.outcome)
        << row.command << " " << row.text;
  }
  EXPECT_NE(access(made.c_str(), F_OK), 0);
}

TEST(OwnCheck, TimeBoundLeavesNothingRunning) {
  HangingPrograms programs;
  programs.add("hang", "started\n");
  const checks::CheckFactory factory({}, std::make_shared<utils::Env>(),
                                     {parsed(file("/usr/bin/env hang", "timeout = 1\n"))});
  EXPECT_EQ(outcome(factory.get_check("Own", checks::Purpose::kRun)->execute({})),
            "ERROR: Command timed out: /usr/bin/env hang");
  EXPECT_TRUE(programs.ended("hang"));
}

// Listed in id order with the built-in checks; the values_command runs for
// getcomboparamvalues only, and gives only values the check would accept.
TEST(OwnCheck, OfferedBesideTheBuiltInChecks) {
  const auto env = std::make_shared<FakeEnv>();
  env->set_output("/bin/ls /m", "c\n\nd#\ne\"\n-f\n");
  std::string many;
  for (int i = 0; i < 1200; ++i) many += "v" + std::to_string(i) + "\n";
  env->set_output("/bin/ls /m", many);
  const auto own = [](const std::string& id, const std::string& more) {
    return parsed("[check]\nid = " + id + "\ncommand = /bin/echo {P}\n[parameter1]\nname = P\n" +
                  more);
  };
  const commands::CommandsFactory factory(checks::CheckFactory(
      {"CPU"}, env,
      {own("Zed", "type = listcombo\nvalues = a, b\nvalues_command = /bin/ls /m\n"),
       own("Apt", "")}));
  const std::string ask = "#keycount=4#sessionid=1#requestaction=", id = "#sessionid=1#checkid=Zed";
  EXPECT_EQ(factory.get_command(ask + "listchecks#")->execute(),
            "#keycount=12#responseaction=listchecks#sessionid=1#checkcount=3#checkid1=Apt"
            "#checkdescription1=Apt#available1=true#checkid2=CPU#checkdescription2=CPU Usage"
            "#available2=true#checkid3=Zed#checkdescription3=Zed#available3=true#");
  const std::string values = "#paramname1=P#paramtype1=listcombo#valuecount=", end =
      "#atbutton_paramcount=1#atbutton_param1=P#\"#";
  EXPECT_EQ(factory.get_command(ask + "definecheck#checkid=Zed#")->execute(),
            "#keycount=4#responseaction=definecheck" + id + "#parameters=\"" + values +
                "2#value1=a#value2=b" + end);
  EXPECT_TRUE(env->commands_run.empty());
  EXPECT_EQ(factory.get_command(ask + "getcomboparamvalues#checkid=Zed#")->execute(),
            "#keycount=4#responseaction=getcomboparamvalues" + id + "#parameters=\"" + values +
                "3#value1=a#value2=b#value3=c" + end);
  EXPECT_NE(factory.get_command(ask + "getcomboparamvalues#checkid=Zed#")->execute().find(
                "#valuecount=1000#value1=a#value2=b#value3=v0#"),
            std::string::npos);
}

// The examples of the package against the real plugins, through the agent.
// There is no NTP server on loopback: check_ntp_time says so, a down.
TEST(OwnCheckAgent, ExamplesOverSsh) {
  const TempDir folder;
  for (const char* name : {"inodes", "load-per-core", "ntp-offset", "tcp-port", "zombies"}) {
    const std::string example = std::string("../../packaging/checks.d/") + name + ".ini";
    chmod(folder.write(name + std::string(".ini"), read_fixture(example)).c_str(), 0644);
  }
  AgentConfig config;
  config.agent_extra = "checkDir = " + folder.path() + "\n";
  const RunningAgent agent(config);
  SshExchange session(agent.port(), "monitor", "secret");
  const std::string ask = "#keycount=5#sessionid=1#requestaction=", run = ask + "runcheck#checkid=";
  const std::pair<std::string, std::string> rows[] = {
      {ask + "listchecks#", "#checkcount=6#checkid1=CPU#checkdescription1=CPU Usage#available1=true"
                            "#checkid2=Inodes#checkdescription2=Free inodes of a file system#"},
      {ask + "getcomboparamvalues#checkid=Inodes#", "#default1=/#valuecount="},
      {run + "Inodes#", "#resultstring=DISK "},
      {run + "LoadPerCore#", "#resultstring=LOAD "},
      {run + "Zombies#", "#resultstring=PROCS "},
      {run + "NtpOffset#para=\"#NTP server=127.0.0.1#\"#",
       "#result=down#resultstring=NTP CRITICAL: No response from NTP server#"},
      {run + "TcpPort#para=\"#Port=" + std::to_string(agent.port()) + "#\"#",
       "#result=up#resultstring=TCP OK - "},
      {run + "TcpPort#para=\"#Host=$(reboot)#Port=1#\"#", "#errormessage=Invalid value for Host#"},
  };
  for (const auto& row : rows) {
    EXPECT_NE(session.request(row.first).find(row.second), std::string::npos) << row.first;
  }
}

}  // namespace
