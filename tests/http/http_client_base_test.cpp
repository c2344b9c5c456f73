#include "http/http_client_base.h"

#include <gtest/gtest.h>

#include <ostream>

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

}  // namespace
