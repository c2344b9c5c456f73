// The libFuzzer targets, one binary each, QUOR2_FUZZ_TARGET naming it, with
// the log at Trace and its lines discarded. The checks turn what their
// parsers throw into failed results: there only crashes, undefined behaviour
// and hangs are faults. The other targets abort where a rule breaks.
#include <openssl/ssl.h>

#include <boost/asio/io_context.hpp>
#include <boost/property_tree/exceptions.hpp>

#include "checks/certificate_check.h"
#include "checks/own_check_definition.h"
#include "checks/url_check.h"
#include "commands/commands_factory.h"
#include "http/http_client_base.h"
#include "parser/record_regex.h"
#include "settings/settings.h"
#include "snmp/snmp_client.h"
#include "ssl/server_name.h"
#include "support/fake_env.h"
#include "support/memory_stream.h"
#include "support/temp_dir.h"
#include "utils/params.h"

namespace {

struct DiscardingLogger : logger::Logger {
  void write_message(std::string&) override {}
};

// Command output in reads of 1 to 64 bytes, varied with its length.
void parsed(const std::string& parser, const std::string& text) {
  testing_support::TextLineReader output(text, 1 + text.size() % 64);
  testing_support::parse_output(parser, output);
}

// The scanner splits as the expression it replaced (compared on short texts:
// that takes milliseconds on long hostile ones); any value written stays in
// its field, escaped.
void record(const std::string& text) {
  utils::get_params_map(text);
  try {
    if (text.size() <= 512 &&
        testing_support::split_record_by_regex(text) != utils::split_record(text)) {
      std::abort();
    }
  } catch (const std::runtime_error&) {  // the expression gave up
  }
  if (utils::get_params_map(utils::counted_record({{"resultstring", text}, {"k", "v"}})) !=
      utils::ParamsMap{
          {"keycount", "2"}, {"resultstring", utils::escape_record_text(text)}, {"k", "v"}}) {
    std::abort();
  }
  utils::mask_secrets(text);
  logger::escape(logger::shorten(text, 255));
}

// An unreadable file must end in the ptree_error that start-up reports.
void settings(const std::string& text) {
  static const testing_support::TempDir folder;
  try {
    Settings::load(folder.write("quor.ini", text));
  } catch (const boost::property_tree::ptree_error&) {
  }
}

// Any request, every check offered on canned output; the network checks
// and Ping (one run per packet asked for) are not run.
void request(const std::string& text) {
  static const commands::CommandsFactory factory = [] {
    auto env = std::make_shared<testing_support::FakeEnv>();
    const std::pair<const char*, const char*> outputs[] = {
        {"vmstat 1 2", "vmstat/procps-ng-4.txt"},
        {"top -d 1 -n 1 -b", "top/procps-ng-4.txt"},
        {"df -P", "df/mixed.txt"},
        {"ps -ax -o user,args", "ps/linux.txt"}};
    for (const auto& o : outputs) env->set_output(o.first, testing_support::read_fixture(o.second));
    return commands::CommandsFactory(checks::CheckFactory(
        {"CPU", "Certificate", "DiskSpace", "Ping", "Processes", "RAM", "SNMP", "Swap", "URL"},
        env));
  }();
  utils::ParamsMap request = utils::get_params_map(text);
  const std::string id = request["checkid"];
  if (request["requestaction"] == "runcheck" &&
      (id == "Certificate" || id == "Ping" || id == "SNMP" || id == "URL")) {
    return;
  }
  factory.get_command(text)->execute();
}

// Any definition file; one that loads is listed, described with its
// values and run on a host whose commands print the same text.
void own_check(const std::string& text) {
  std::shared_ptr<const checks::OwnCheckDefinition> definition;
  try {
    definition = std::make_shared<const checks::OwnCheckDefinition>(
        checks::OwnCheckDefinition::parse(text));
  } catch (const std::runtime_error&) {
    return;
  }
  const auto env = std::make_shared<testing_support::FakeEnv>();
  env->set_output("", text);
  const checks::CheckFactory factory({}, env, {definition});
  factory.list_checks();
  factory.get_check(definition->id, checks::Purpose::kValues)->get_params_definition();
  factory.get_check(definition->id, checks::Purpose::kRun)->execute(utils::get_params_map(text));
}

// Lines: ASN.1 time type (23 UTCTime, 24 GeneralizedTime), time text, limit
// in days, now in seconds (kept within the years a certificate can name) and
// the subject.
void certificate(const std::string& text) {
  std::istringstream in(text);
  std::string type, time_text, limit, now, subject;
  std::getline(std::getline(std::getline(std::getline(in, type), time_text), limit), now);
  std::getline(in, subject, '\0');
  checks::CertificateCheck::judge(
      subject, std::atoi(type.c_str()), time_text, std::atoi(limit.c_str()),
      static_cast<std::time_t>(std::llabs(std::strtoll(now.c_str(), nullptr, 10) % 253402300799)));
}

// The host names that checks take apart, and TLS server names set of them.
void url(const std::string& text) {
  static SSL_CTX* const context = SSL_CTX_new(TLS_client_method());
  checks::PingCheck::valid_host(text);
  const std::unique_ptr<SSL, decltype(&SSL_free)> handle(SSL_new(context), &SSL_free);
  try {
    ssl::set_server_name(handle.get(), checks::CertificateCheck::parse_host(text).host);
    ssl::set_server_name(handle.get(), checks::UrlCheck::parse_url(text).host);
    snmp::SnmpClient::peer_name(text);
  } catch (const std::runtime_error&) {  // not a host[:port]
  }
}

// The HTTP exchange after the connect, in reads of 1 to 200 bytes: the text
// to find, a line feed, then the response.
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  logger::Logger::current_logger = std::make_shared<DiscardingLogger>();
  logger::Logger::current_logger->level = logger::Logger::Trace;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::map<std::string, void (*)(const std::string&)> targets = {
      {"record", record},           {"settings", settings}, {"commands", request},
      {"certificate", certificate}, {"url", url},           {"http_response", http_response},
      {"own_check", own_check}};
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string name = QUOR2_FUZZ_TARGET;
  if (targets.count(name) != 0) {
    targets.at(name)(text);
  } else {  // a parser of command output; for df the capacity of "/" too
    parsed(name, text);
    if (name == "df" || name == "meminfo") parsed(name == "df" ? "df /" : "meminfo+", text);
  }
  return 0;
}
