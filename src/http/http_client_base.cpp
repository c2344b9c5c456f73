#include "http/http_client_base.h"

#include <boost/asio/buffers_iterator.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/ssl/error.hpp>
#include <cctype>
#include <istream>
#include <ostream>

#include "logger/logger.h"
#include "utils/host_port.h"

namespace http {

HttpClientBase::HttpClientBase(const std::string& server_name, const std::string& server_port,
                               const std::string& request_path, const std::string& text)
    : server(server_name), port(server_port), path(request_path), text_to_find(text) {
  std::ostream out(&request);
  out << "GET " << path << " HTTP/1.0\r\n";
  out << "Host: " << utils::HostPort::bracketed(server) << "\r\n";
  out << "Accept: */*\r\n";
  out << "Connection: close\r\n";
  out << "\r\n";
}

HttpClientBase::~HttpClientBase() = default;

void HttpClientBase::fail(const char* prefix, const boost::system::error_code& code) {
  QLOG_ERROR(prefix + code.message());
  error = true;
  error_text = code.message();
}

bool HttpClientBase::read_status_line(boost::asio::streambuf& response) {
  std::istream in(&response);
  std::string version;
  in >> version;
  std::uint32_t code = 0;
  in >> code;
  status_code = code;
  std::string message = "__UNKNOWN__";
  std::getline(in, message);
  status_message = message;
  if (!in || version.compare(0, 5, "HTTP/") != 0) {
    QLOG_ERROR("Invalid response");
    error = true;
    error_text = "Invalid response";
    return false;
  }
  return true;
}

void HttpClientBase::read_check_text_content(boost::asio::streambuf& response) {
  static const std::string content_type = "content-type:";
  std::istream in(&response);
  std::string line;
  while (std::getline(in, line) && line != "\r") {
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (line.compare(0, content_type.size(), content_type) == 0 &&
        line.find("text", content_type.size()) != std::string::npos) {
      text_content = true;
    }
  }
}

void HttpClientBase::find_text(boost::asio::streambuf& response) {
  text_found = false;
  if (text_to_find.empty()) {
    text_found = true;
    return;
  }
  if (!text_content) return;
  std::istream in(&response);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(text_to_find) != std::string::npos) text_found = true;
  }
}

void HttpClientBase::handle_read_body(const boost::system::error_code& code) {
  if (!body_complete(code)) return fail("Read body failed: ", code);
  find_text(response);
}

bool HttpClientBase::body_complete(const boost::system::error_code& code) {
  return !code || code == boost::asio::error::eof ||
         code == boost::asio::ssl::error::stream_truncated;
}

}  // namespace http
