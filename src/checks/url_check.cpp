#include "checks/url_check.h"

#include <boost/system/system_error.hpp>
#include <cctype>
#include <memory>

#include "checks/params_accessor.h"
#include "http/http_client.h"
#include "http/https_client.h"
#include "utils/host_port.h"
#include "utils/io_deadline.h"
#include "utils/text.h"

namespace checks {

const std::string urlcheck_error_string = "URL check Error: ";

namespace {

// Longest URL text a log line carries.
const std::size_t max_logged_url = 255;

const CheckParameter url_parameter{"URL", "text", 255};
const CheckParameter status_parameter{"Status", "longinteger", 600, "200"};
const CheckParameter text_parameter{"Text to find", "text", 255};

// Control characters would end the request line or a header early.
bool has_control_character(const std::string& text) {
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return true;
  }
  return false;
}

}  // namespace

UrlCheck::UrlCheck(bool for_params, const utils::Env& env) : CheckBase(env) {
  QLOG_TRACE(" > UrlCheck::UrlCheck");
  QLOG_DEBUG(std::string("UrlCheck ") + (for_params ? "for params" : "for check"));
  declare({url_parameter, status_parameter, text_parameter}, for_params, urlcheck_error_string);
  QLOG_TRACE(" < UrlCheck::UrlCheck");
}

UrlCheck::~UrlCheck() {
  QLOG_TRACE(" > UrlCheck::~UrlCheck");
  QLOG_TRACE(" < UrlCheck::~UrlCheck");
}

std::string UrlCheck::get_description() { return "URL status test"; }

UrlCheck::Target UrlCheck::parse_url(const std::string& url) {
  Target target;
  target.path = "/";
  std::string rest = url;
  const std::string::size_type scheme_end = rest.find("://");
  if (scheme_end != std::string::npos) {
    std::string scheme = rest.substr(0, scheme_end);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    target.https = scheme == "https";
    rest = rest.substr(scheme_end + 3);
  }
  const std::string::size_type slash = rest.find('/');
  if (slash != std::string::npos) target.path = rest.substr(slash);
  const utils::HostPort authority =
      utils::HostPort::parse(rest.substr(0, slash), target.https ? "443" : "80");
  target.host = authority.host;
  target.port = authority.port;
  return target;
}

CheckResult UrlCheck::execute(const std::map<std::string, std::string>& params) {
  QLOG_TRACE(" > UrlCheck::execute");
  return guarded(" < UrlCheck::execute", true, [&] {
    try {
      return fetch(params);
    } catch (const boost::system::system_error& error) {
      throw std::runtime_error(error.code().message());
    }
  });
}

CheckResult UrlCheck::fetch(const std::map<std::string, std::string>& params) const {
  const std::string url =
      params_accessor<std::string>::get_required_param(params, url_parameter.name,
                                                       urlcheck_error_string);
  const auto status_value = params.find(status_parameter.name);
  const int expected = status_value == params.end() ? 0 : std::stoi(status_value->second);
  const auto text_value = params.find(text_parameter.name);
  const std::string text_to_find = text_value == params.end() ? "" : text_value->second;
  if (has_control_character(url)) throw std::runtime_error("Invalid URL");

  const Target target = parse_url(url);
  QLOG_DEBUG(std::string("Checking ") + (target.https ? "HTTPS " : "HTTP ") + "URL " +
             logger::shorten(url, max_logged_url) + " for " +
             (expected == 0 ? "non-fail" : std::to_string(static_cast<unsigned>(expected))) +
             " status");

  boost::asio::io_service io;
  std::unique_ptr<http::HttpClientBase> client;
  if (target.https) {
    client = std::make_unique<http::HttpsClient>(io, target.host, target.port, target.path,
                                                 text_to_find);
  } else {
    client =
        std::make_unique<http::HttpClient>(io, target.host, target.port, target.path, text_to_find);
  }
  utils::run_with_deadline(io, env.timeout_seconds());

  const std::uint32_t status = client->status_code;
  std::string reason = utils::trim(client->status_message);
  // A status line without reason text leaves a lone "\r" behind the trim.
  if (reason.find_first_not_of("\r\n \t") == std::string::npos) reason.clear();
  QLOG_TRACE("Check finished. " + (client->error
                                       ? "FAILED: " + client->error_text
                                       : "Code is " + std::to_string(status) + " (" +
                                             logger::shorten(reason, max_logged_url) + ")"));
  QLOG_TRACE(" < UrlCheck::execute");
  if (client->error) return CheckResult::failure(client->error_text);

  const bool status_matches =
      expected == 0 ? status == 200 : status == static_cast<std::uint32_t>(expected);
  const bool text_searched = client->text_content && !client->text_to_find.empty();
  const bool text_holds = !text_searched || client->text_found;
  std::string text = std::to_string(status) + " " + reason;
  if (text_searched && !client->text_found) text += " Text not found ";
  return CheckResult::verdict(status_matches && text_holds, text);
}

}  // namespace checks
