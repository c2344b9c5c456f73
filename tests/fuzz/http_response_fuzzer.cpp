// The HTTP client's whole exchange after the connect, on any response:
// status line, header scan and body search, delivered in reads of 1 to 200
// bytes through an in-memory stream. The input is the text to find, a line
// feed, then the response.
#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/http_client_base.h"
#include "support/memory_stream.h"

namespace {

class Exchange : public http::HttpClientBase {
 public:
  explicit Exchange(const std::string& text_to_find)
      : HttpClientBase("example.invalid", "80", "/", text_to_find) {}

  void run(testing_support::MemoryStream& stream, boost::asio::io_context& io) {
    start_exchange(stream);
    io.run();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string::size_type line_end = input.find('\n');
  const std::string text_to_find = input.substr(0, line_end);
  const std::string response = line_end == std::string::npos ? "" : input.substr(line_end + 1);
  boost::asio::io_context io;
  testing_support::MemoryStream stream(io, response, 1 + size % 200);
  Exchange(text_to_find).run(stream, io);
  return 0;
}
