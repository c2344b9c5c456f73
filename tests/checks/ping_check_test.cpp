#include "checks/ping_check.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/fake_env.h"
#include "support/local_name_service.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "support/text_line_reader.h"

namespace {

using checks::CheckResult;
using checks::PingCheck;
using testing_support::FakeEnv;
using Params = std::map<std::string, std::string>;

TEST(ParsePingOutput, Layouts) {
  const std::pair<const char*, double> cases[] = {
      {"ping/iputils.txt", 0.061},
      {"ping/bsd.txt", 0.061},  // "round-trip min/avg/max/stddev", "0.0% packet loss"
      {"ping/busybox.txt", 0.125},
      {"ping/loss.txt", -1.0},
      {"ping/loss-with-time.txt", -1.0},  // 100% loss, yet an rtt line
      {"ping/unknown-host.txt", -1.0},
      {"ping/not-permitted.txt", -1.0},
      {"ping/no-avg.txt", -1.0},
      {"ping/avg-beyond-values.txt", -1.0},
      {"", -1.0},  // no output at all
  };
  testing_support::LogCapture capture(logger::Logger::Warn);
  for (const auto& c : cases) {
    testing_support::TextLineReader output(*c.first ? testing_support::read_fixture(c.first) : "",
                                           7);
    EXPECT_DOUBLE_EQ(PingCheck::parse_ping_output(output), c.second) << c.first;
  }
  // A run without statistics is logged with its first line.
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{
                "Warn: ping failed: ping: nohost.invalid: Name or service not known",
                "Warn: ping failed: ping: socket: Operation not permitted",
                "Warn: ping failed: Error executing ping."}));
}

TEST(PingCheck, ValidHost) {
  for (const char* host : {"127.0.0.1", "::1", "fe80::1%eth0", "host-1.example_x"}) {
    EXPECT_TRUE(PingCheck::valid_host(host)) << host;
  }
  for (const std::string& host : {std::string("a b"), std::string("a;b"), std::string("a/b"),
                                  std::string("a\\b"), std::string("é"), std::string(256, 'a')}) {
    EXPECT_FALSE(PingCheck::valid_host(host)) << host;
  }
}

// Answers each ping run with the next canned output; "timeout" stands for a
// run that the command pipe cut off at its time bound.
class ScriptedEnv : public FakeEnv {
 public:
  explicit ScriptedEnv(const std::vector<std::string>& outputs)
      : outputs_(outputs.begin(), outputs.end()) {}

  std::unique_ptr<utils::LineReader> run_command(const std::string& command_line) const override {
    FakeEnv::run_command(command_line);
    const std::string output = outputs_.empty() ? "" : outputs_.front();
    if (!outputs_.empty()) outputs_.pop_front();
    if (output != "timeout") return std::make_unique<testing_support::TextLineReader>(output);
    struct TimedOut : utils::LineReader {
      std::size_t read_some(char*, std::size_t) override {
        throw std::runtime_error("Command timed out: ping");
      }
    };
    return std::make_unique<TimedOut>();
  }

 private:
  mutable std::deque<std::string> outputs_;
};

std::string reply(const std::string& avg) {
  return "PING h (192.0.2.9) 56(84) bytes of data.\n\n--- h ping statistics ---\n"
         "1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
         "rtt min/avg/max/mdev = " +
         avg + "/" + avg + "/" + avg + "/0.000 ms\n";
}

Params ping_params(const std::string& count, const std::string& timeout, const std::string& limit) {
  return {{"Host name or IP", "h"},
          {"Number of packets", count},
          {"Overall timeout [s]", timeout},
          {"Success rate limit [%]", limit}};
}

template <class... Outputs>
std::vector<std::string> runs(const Outputs&... outputs) {
  return {outputs...};
}

// One run per packet, with an overall time-out of 1 s.
TEST(PingCheck, Verdicts) {
  const std::string lost = testing_support::read_fixture("ping/loss.txt");
  const std::string ten = reply("10.000");
  const struct {
    std::vector<std::string> runs;
    const char* limit;
    bool up;
    const char* text;
  } table[] = {
      {runs(ten, ten, lost, ten, ten), "80", true,
       "80.00%  pings fall into rtt limit. Avg. rtt is 10.00"},
      {runs(ten, ten, lost, ten, ten), "90", false,
       "80.00%  out of Limit 90% pings fall into rtt limit. Avg. rtt is 10.00"},
      // Budget 333.33 ms per try: 500 ms succeeds but is not within.
      {runs(ten, ten, reply("500.000")), "66", true,
       "66.00%  pings fall into rtt limit. Avg. rtt is 173.33"},
      // A time equal to the budget is within; a time of 0 is a failed run.
      {runs(reply("1000.000")), "100", true,
       "100.00%  pings fall into rtt limit. Avg. rtt is 1000.00"},
      {runs(reply("0.000"), ten), "50", true,
       "50.00%  pings fall into rtt limit. Avg. rtt is 10.00"},
      // A run cut off at the time bound is a failed run.
      {runs(lost, "timeout"), "50", false,
       "0.00%  out of Limit 50% pings fall into rtt limit. Avg. rtt is 0.00"},
  };
  for (const auto& c : table) {
    ScriptedEnv env(c.runs);
    const CheckResult result =
        PingCheck(false, env).execute(ping_params(std::to_string(c.runs.size()), "1", c.limit));
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_EQ(result.up, c.up) << c.text;
    EXPECT_EQ(result.result_string, c.text);
    EXPECT_EQ(env.commands_run().size(), c.runs.size());
  }
}

TEST(PingCheck, Failures) {
  Params no_host = ping_params("1", "1", "1");
  no_host.erase("Host name or IP");
  const std::pair<Params, const char*> table[] = {
      {no_host, "Required parameter expected"},
      {ping_params("0", "1", "1"), "Number of packets must be at least 1"},
      {ping_params("abc", "1", "1"), "Unexpected exception"},
  };
  for (const auto& c : table) {
    FakeEnv env;
    const CheckResult result = PingCheck(false, env).execute(c.first);
    EXPECT_FALSE(result.executed);
    EXPECT_EQ(result.error_message, c.second);
    EXPECT_TRUE(env.commands_run().empty());
  }

  ScriptedEnv env({testing_support::read_fixture("ping/bad-number.txt")});
  EXPECT_EQ(PingCheck(false, env).execute(ping_params("1", "1", "1")).error_message,
            "Unexpected exception");
}

TEST(PingCheck, CommandLines) {
  const struct {
    const char* ipv6;
    bool have_ping6;
    const char* command;
  } table[] = {
      {"true", true, "ping6 -c 1 \"h\" 2>&1"},
      {"true", false, "ping -6 -c 1 \"h\" 2>&1"},
      {"TRUE", true, "ping -c 1 \"h\" 2>&1"},
      {nullptr, true, "ping -c 1 \"h\" 2>&1"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.command);
    FakeEnv env;
    if (!c.have_ping6) env.programs.erase("ping6");
    Params params = ping_params("1", "1", "0");
    if (c.ipv6 != nullptr) params["Use IPv6"] = c.ipv6;
    PingCheck(false, env).execute(params);
    EXPECT_EQ(env.commands_run(), std::vector<std::string>{c.command});
  }
}

CheckResult live_ping(const std::string& host, bool ipv6, const std::string& count = "2") {
  Params params = ping_params(count, "10", "100");
  params["Host name or IP"] = host;
  if (ipv6) params["Use IPv6"] = "true";
  return PingCheck(false, utils::Env::standard()).execute(params);
}

TEST(PingCheckLive, Loopback) {
  for (const auto& target : {std::make_pair("127.0.0.1", false), std::make_pair("::1", true)}) {
    SCOPED_TRACE(target.first);
    const CheckResult result = live_ping(target.first, target.second);
    EXPECT_TRUE(result.executed) << result.error_message;
    EXPECT_TRUE(result.up) << result.result_string;
    EXPECT_EQ(result.result_string.rfind("100.00%  pings fall into rtt limit. Avg. rtt is ", 0), 0u)
        << result.result_string;
  }
}

TEST(PingCheckLive, UnresolvableHostIsAFailedRun) {
  if (!testing_support::name_service_is_local()) GTEST_SKIP() << "the lookup would leave this host";
  testing_support::LogCapture capture(logger::Logger::Warn);
  const CheckResult result = live_ping("nohost.invalid", false, "1");
  EXPECT_TRUE(result.executed);
  EXPECT_FALSE(result.up);
  EXPECT_EQ(result.result_string,
            "0.00%  out of Limit 100% pings fall into rtt limit. Avg. rtt is 0.00");
  ASSERT_EQ(capture.messages().size(), 1u);
  EXPECT_EQ(capture.messages()[0].rfind("Warn: ping failed: ping: ", 0), 0u);
}

TEST(PingCheckLive, RefusedHostsRunNothing) {
  testing_support::TempDir dir;
  const std::string marker = dir.path() + "/marker";
  for (const std::string& host :
       {"$(touch " + marker + ")", "`touch " + marker + "`", "x\"; touch " + marker + "; \"",
        "x\" && touch " + marker + " #", "127.0.0.1\ntouch " + marker,
        std::string("-c 1 127.0.0.1"), std::string()}) {
    const CheckResult result = live_ping(host, false);
    EXPECT_FALSE(result.executed) << host;
    EXPECT_EQ(result.error_message, "Invalid host name or IP");
  }
  EXPECT_FALSE(utils::Env::standard().file_exists(marker));

  // The same text would have made its marker, had it reached the shell.
  utils::Env::standard().run_command(": \"$(touch " + marker + ")\"")->drain();
  EXPECT_TRUE(utils::Env::standard().file_exists(marker));
}

}  // namespace
