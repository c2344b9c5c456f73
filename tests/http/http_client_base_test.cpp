#include "http/http_client_base.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <ostream>

#include "support/memory_stream.h"

namespace {

class Reader : public http::HttpClientBase {
 public:
  explicit Reader(const std::string& text_to_find) : HttpClientBase("h", "80", "/", text_to_find) {}
};

// Reads the header block of `response` (after its status line), then
// searches the rest.
void scan(Reader& reader, const std::string& response) {
  boost::asio::streambuf buffer;
  std::ostream(&buffer) << response;
  reader.read_check_text_content(buffer);
  reader.find_text(buffer);
}

TEST(HttpClientBase, ContentTypeAndTextSearch) {
  const struct {
    const char* response;
    const char* text_to_find;
    bool text_content;
    bool text_found;
  } table[] = {
      {"Content-Type: TEXT/HTML; charset=utf-8\r\n\r\n<p>Hi</p>\r\n", "Hi", true, true},
      {"content-type: application/json\r\n\r\n{\"Hi\":1}", "Hi", false, false},
      {"Content-Type: application/vnd.context+json\r\n\r\nHi", "Hi", true, true},  // "text" inside
      {"X-Note: content-type: text\r\n\r\nHi", "Hi", false, false},
      {"Content-Type: text/plain\r\nContent-Type: image/png\r\n\r\nHi", "Hi", true, true},
      {"Content-Type: text/plain\r\n\r\nhello\r\n", "Hello", true, false},
      {"Content-Type: text/plain\r\n\r\nHel\r\nlo\r\n", "Hello", true, false},
      {"Content-Type: text/plain\r\n\r\nHello", "", true, true},  // nothing to find
      {"Content-Type: image/png\r\n\r\n", "", false, true},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.response);
    Reader reader(c.text_to_find);
    scan(reader, c.response);
    EXPECT_EQ(reader.text_content, c.text_content);
    EXPECT_EQ(reader.text_found, c.text_found);
  }
}

TEST(HttpClientBase, HeaderScanStopsAtTheEmptyLine) {
  Reader reader("");
  boost::asio::streambuf buffer;
  std::ostream(&buffer) << "A: 1\r\n\r\nContent-Type: text/html\r\n";
  reader.read_check_text_content(buffer);
  EXPECT_FALSE(reader.text_content);
  EXPECT_EQ(buffer.size(), std::string("Content-Type: text/html\r\n").size());
}

// The steps after the connect, over a stream in memory.
class Exchange : public http::HttpClientBase {
 public:
  explicit Exchange(const std::string& text_to_find)
      : HttpClientBase("example.invalid", "8080", "/p?q=1", text_to_find) {}

  // Runs the exchange on `response`, delivered in reads of `chunk` bytes;
  // returns what the client wrote.
  std::string run(const std::string& response, std::size_t chunk) {
    boost::asio::io_context io;
    testing_support::MemoryStream stream(io, response, chunk);
    start_exchange(stream);
    io.run();
    return stream.written();
  }
};

TEST(HttpClientBase, ExchangeReadsTheResponseWhateverItsPieces) {
  const struct {
    const char* response;
    const char* error_text;  // empty: no error
    std::uint32_t status_code;
    const char* status_message;
    bool text_content;
  } table[] = {
      {"HTTP/1.0 200 OK\r\nServer: x\r\nContent-Type: text/html\r\n\r\n", "", 200, " OK\r", true},
      {"HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n", "", 404, " Not Found\r", false},
      {"HTTP/1.0 200\r\nContent-Type: image/png\r\n\r\n\x89PNG", "", 200, "\r", false},
      {"HTTP/1.0 204 No Content\r\n\r\n", "", 204, " No Content\r", false},
      {"SSH-2.0-OpenSSH_9.2\r\n", "Invalid response", 0, "__UNKNOWN__", false},
      {"", "End of file", 0, "__UNKNOWN__", false},
      {"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n", "End of file", 200, " OK\r", false},
  };
  for (const auto& c : table) {
    for (const std::size_t chunk : {1, 5, 4096}) {
      SCOPED_TRACE(std::string(c.response) + " in reads of " + std::to_string(chunk));
      Exchange exchange("Hello");
      EXPECT_EQ(exchange.run(c.response, chunk),
                "GET /p?q=1 HTTP/1.0\r\nHost: example.invalid\r\nAccept: */*\r\n"
                "Connection: close\r\n\r\n");
      EXPECT_EQ(exchange.error, *c.error_text != '\0');
      EXPECT_EQ(exchange.error_text, c.error_text);
      EXPECT_EQ(exchange.status_code, c.status_code);
      EXPECT_EQ(exchange.status_message, c.status_message);
      EXPECT_EQ(exchange.text_content, c.text_content);
    }
  }
}

TEST(HttpClientBase, ExchangeSearchesTheBodyThatArrived) {
  Exchange exchange("Hello");
  exchange.run("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nSay\r\nHello\r\n", 4096);
  EXPECT_FALSE(exchange.error);
  EXPECT_TRUE(exchange.text_found);
}

}  // namespace
