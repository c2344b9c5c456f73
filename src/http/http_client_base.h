// What one HTTP/1.0 GET found out, and the reading of the response that the
// plain and the TLS client share.
//
// A client fetches one URL once: its constructor builds the request and
// queues the name resolution on the owner's io_service, each completion
// handler starts the next step, and the exchange ends when a step fails or
// nothing more is needed. The owner runs the io_service on its own thread,
// then reads the fields below and deletes the client. Every handler runs
// inside that run, so one thread touches a client. A failed step is recorded
// (`error`, `error_text`) and logged at Error, never thrown.
//
// The clients differ only up to the connection (and the handshake); from
// the request on, the steps are the shared ones below, on either stream.
#ifndef QUOR2_HTTP_HTTP_CLIENT_BASE_H_
#define QUOR2_HTTP_HTTP_CLIENT_BASE_H_

#include <algorithm>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/error_code.hpp>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace http {

class HttpClientBase {
 public:
  HttpClientBase(const std::string& server, const std::string& port, const std::string& path,
                 const std::string& text_to_find);
  HttpClientBase(const HttpClientBase&) = delete;
  HttpClientBase& operator=(const HttpClientBase&) = delete;
  virtual ~HttpClientBase();

  // Consumes the header block from `response`, up to and including the
  // empty line; sets `text_content` when a Content-Type header names text.
  void read_check_text_content(boost::asio::streambuf& response);

  // Consumes the rest of `response`; sets `text_found` when one of its
  // lines holds `text_to_find` (always when that is empty; never when the
  // content is not text).
  void find_text(boost::asio::streambuf& response);

  bool error = false;  // once set, never cleared
  std::string error_text;
  std::uint32_t status_code = 0;
  std::string status_message = "__UNKNOWN__";  // as read: " OK\r"
  std::string server;  // an IPv6 literal without brackets; the Host header has them
  std::string port;
  std::string path;
  bool text_content = false;
  bool text_found = false;
  std::string text_to_find;

 protected:
  // Writes the request on the connected `stream`, then reads the response.
  template <class Stream>
  void start_exchange(Stream& stream);

  // Records the failure of a step: logs `prefix` and the message at Error.
  void fail(const char* prefix, const boost::system::error_code& code);

 private:
  // Bounds the memory a server can make the client hold.
  static constexpr std::size_t max_response_size = 1024 * 1024;

  template <class Stream>
  void handle_write_request(Stream& stream, const boost::system::error_code& code);
  template <class Stream>
  void handle_read_status(Stream& stream, const boost::system::error_code& code);
  template <class Stream>
  void handle_read_headers(Stream& stream, const boost::system::error_code& code);
  void handle_read_body(const boost::system::error_code& code);

  // Reads the status line from `response`; false, with the failure
  // recorded, when it is not HTTP.
  bool read_status_line(boost::asio::streambuf& response);

  // Where the header block after the status line ends: at an empty line
  // right at its start (a response without header lines), else after the
  // first blank line. The one-line look at the start is made once, as soon
  // as two bytes are there, whichever reads they came in.
  class HeaderBlockEnd {
   public:
    template <class Iterator>
    std::pair<Iterator, bool> operator()(Iterator begin, Iterator end);

   private:
    bool at_start_ = true;
  };

  // Whether the body is needed: text content and a text to find.
  bool body_wanted() const { return text_content && !text_to_find.empty(); }

  // Whether a body read that ended with `code` reached the end of the
  // response: no error, the server's close, or a TLS stream cut without
  // its closing alert.
  static bool body_complete(const boost::system::error_code& code);

  boost::asio::streambuf request;
  boost::asio::streambuf response{max_response_size};
};

template <class Stream>
void HttpClientBase::start_exchange(Stream& stream) {
  boost::asio::async_write(stream, request,
                           [this, &stream](const boost::system::error_code& code, std::size_t) {
                             handle_write_request(stream, code);
                           });
}

template <class Stream>
void HttpClientBase::handle_write_request(Stream& stream, const boost::system::error_code& code) {
  if (code) return fail("Write request failed: ", code);
  boost::asio::async_read_until(
      stream, response, "\r\n",
      [this, &stream](const boost::system::error_code& read_code, std::size_t) {
        handle_read_status(stream, read_code);
      });
}

template <class Stream>
void HttpClientBase::handle_read_status(Stream& stream, const boost::system::error_code& code) {
  if (code) return fail("Read status failed: ", code);
  if (!read_status_line(response)) return;
  boost::asio::async_read_until(
      stream, response, HeaderBlockEnd(),
      [this, &stream](const boost::system::error_code& read_code, std::size_t) {
        handle_read_headers(stream, read_code);
      });
}

template <class Iterator>
std::pair<Iterator, bool> HttpClientBase::HeaderBlockEnd::operator()(Iterator begin, Iterator end) {
  if (at_start_) {
    if (end - begin < 2) return {begin, false};
    if (begin[0] == '\r' && begin[1] == '\n') return {begin + 2, true};
    at_start_ = false;
  }
  static const char blank_line[] = "\r\n\r\n";
  const Iterator found = std::search(begin, end, blank_line, blank_line + 4);
  if (found != end) return {found + 4, true};
  // A blank line may straddle this read and the next.
  return {end - std::min<std::ptrdiff_t>(3, end - begin), false};
}

template <class Stream>
void HttpClientBase::handle_read_headers(Stream& stream, const boost::system::error_code& code) {
  if (code) return fail("Read headers failed: ", code);
  read_check_text_content(response);
  if (!body_wanted()) return;
  // One read: the search covers what has arrived by its end.
  boost::asio::async_read(stream, response, boost::asio::transfer_at_least(1),
                          [this](const boost::system::error_code& read_code, std::size_t) {
                            handle_read_body(read_code);
                          });
}

}  // namespace http

namespace boost {
namespace asio {
template <>
struct is_match_condition<http::HttpClientBase::HeaderBlockEnd> : public std::true_type {};
}  // namespace asio
}  // namespace boost

#endif  // QUOR2_HTTP_HTTP_CLIENT_BASE_H_
