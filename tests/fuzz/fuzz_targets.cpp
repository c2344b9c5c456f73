// The libFuzzer targets, built once each with QUOR2_FUZZ_TARGET naming the
// target (see CMakeLists.txt), with the log at its most verbose level and
// its lines discarded. A check turns whatever its parsers throw into a
// failed result, so there only crashes, undefined behaviour and hangs are
// faults; the other targets abort where a rule of theirs breaks.
#include <openssl/ssl.h>

#include <boost/asio/io_context.hpp>
#include <boost/property_tree/exceptions.hpp>
#include <cstdlib>
#include <set>

#include "checks/certificate_check.h"
#include "checks/url_check.h"
#include "commands/commands_factory.h"
#include "http/http_client_base.h"
#include "parser/record_regex.h"
#include "settings/settings.h"
#include "ssl/server_name.h"
#include "support/fake_env.h"
#include "support/memory_stream.h"
#include "support/temp_dir.h"
#include "utils/params.h"

using testing_support::read_fixture;

namespace {

class DiscardingLogger : public logger::Logger {
 public:
  void write_message(std::string&) override {}
};

// The record parser never throws, splits as the expression it replaced does
// (compared on short texts: it takes milliseconds on long hostile ones),
// and outside text made safe with escape_record_text stays in its field.
void record(const std::string& text) {
  const std::vector<std::string> pieces = utils::split_record(text);
  utils::get_params_map(text);
  try {
    if (text.size() <= 512 && testing_support::split_record_by_regex(text) != pieces) std::abort();
  } catch (const std::runtime_error&) {
    // The expression gave up; the scanner has answered all the same.
  }
  const utils::ParamsList fields = {{"resultstring", utils::escape_record_text(text)}, {"k", "v"}};
  if (utils::get_params_map(utils::params_list_to_string(fields)) !=
      utils::ParamsMap(fields.begin(), fields.end())) {
    std::abort();
  }
  logger::escape(text);
  logger::escape(text, 255);
}

// An INI file that cannot be read ends in a ptree_error, which start-up
// reports as "Error parsing ini file"; anything else would end the agent
// without that line.
void settings(const std::string& text) {
  static const testing_support::TempDir folder;
  try {
    Settings::load(folder.write("quor.ini", text));
  } catch (const boost::property_tree::ptree_error&) {
  }
}

// Any request text as a session hands it over, every check offered on a
// host of canned output. The network checks and Ping (one run per packet
// asked for) are not run.
void commands(const std::string& text) {
  static const commands::CommandsFactory factory = [] {
    auto env = std::make_shared<testing_support::FakeEnv>();
    const std::pair<const char*, const char*> outputs[] = {
        {"vmstat 1 2", "vmstat/procps-ng-4.txt"}, {"top -d 1 -n 1 -b", "top/procps-ng-4.txt"},
        {"df -P", "df/mixed.txt"}, {"ps -ax -o user,args", "ps/linux.txt"}};
    for (const auto& output : outputs) env->set_output(output.first, read_fixture(output.second));
    return commands::CommandsFactory(checks::CheckFactory(
        {"CPU", "Certificate", "DiskSpace", "Ping", "Processes", "RAM", "SNMP", "Swap", "URL"},
        env));
  }();
  const utils::ParamsMap request = utils::get_params_map(text);
  const auto action = request.find("requestaction");
  const auto id = request.find("checkid");
  if (action != request.end() && action->second == "runcheck" && id != request.end() &&
      std::set<std::string>{"Certificate", "Ping", "SNMP", "URL"}.count(id->second) != 0) {
    return;
  }
  factory.get_command(text)->execute();
}

// Lines: the ASN.1 time type (23 UTCTime, 24 GeneralizedTime), the time
// text, the limit in days, the current time in seconds since 1970 (kept
// within the years a certificate's time can name, as the system clock is)
// and the subject, which reaches the response and must not end its field.
void certificate(const std::string& text) {
  std::istringstream in(text);
  std::string type, time_text, limit, now, subject;
  std::getline(std::getline(std::getline(std::getline(in, type), time_text), limit), now);
  std::getline(in, subject, '\0');
  const std::time_t seconds =
      static_cast<std::time_t>(std::llabs(std::strtoll(now.c_str(), nullptr, 10) % 253402300799));
  const checks::CheckResult verdict = checks::CertificateCheck::judge(
      subject, static_cast<int>(std::strtol(type.c_str(), nullptr, 10)), time_text,
      static_cast<int>(std::strtol(limit.c_str(), nullptr, 10)), seconds);
  if ((verdict.result_string + verdict.error_message).find_first_of("#\"") != std::string::npos) {
    std::abort();
  }
}

// The host names that checks take apart, and the TLS server name set of them.
void url(const std::string& text) {
  static SSL_CTX* const context = SSL_CTX_new(TLS_client_method());
  const checks::UrlCheck::Target target = checks::UrlCheck::parse_url(text);
  const auto host_port = checks::CertificateCheck::parse_host(text);
  checks::PingCheck::valid_host(text);
  const std::unique_ptr<SSL, decltype(&SSL_free)> handle(SSL_new(context), &SSL_free);
  ssl::set_server_name(handle.get(), host_port.first);
  ssl::set_server_name(handle.get(), target.host);
}

// The HTTP client's exchange after the connect on any response, in reads of
// 1 to 200 bytes: the text to find, a line feed, then the response.
void http_response(const std::string& text) {
  struct Exchange : http::HttpClientBase {
    explicit Exchange(const std::string& find)
        : HttpClientBase("example.invalid", "80", "/", find) {}
    using HttpClientBase::start_exchange;
  };
  const std::string::size_type line_end = text.find('\n');
  boost::asio::io_context io;
  testing_support::MemoryStream stream(
      io, line_end == std::string::npos ? "" : text.substr(line_end + 1), 1 + text.size() % 200);
  Exchange exchange(text.substr(0, line_end));
  exchange.start_exchange(stream);
  io.run();
}

// Command output for a parser of the checks, in reads of 1 to 64 bytes,
// varied with its length.
void parsed(const std::string& parser, const std::string& text) {
  testing_support::TextLineReader output(text, 1 + text.size() % 64);
  testing_support::parse_output(parser, output);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  logger::Logger::current_logger = std::make_shared<DiscardingLogger>();
  logger::Logger::current_logger->level = logger::Logger::Trace;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::map<std::string, void (*)(const std::string&)> targets = {
      {"record", record},
      {"settings", settings},
      {"commands", commands},
      {"certificate", certificate},
      {"url", url},
      {"http_response", http_response},
      {"vmstat", [](const std::string& text) { parsed("vmstat", text); }},
      {"top", [](const std::string& text) { parsed("top", text); }},
      {"ping", [](const std::string& text) { parsed("ping", text); }},
      {"ps", [](const std::string& text) { parsed("ps", text); }},
      {"df", [](const std::string& text) {
         parsed("df", text);
         parsed("df /", text);
       }}};
  targets.at(QUOR2_FUZZ_TARGET)(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
