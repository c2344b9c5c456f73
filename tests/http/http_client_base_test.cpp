#include "http/http_client_base.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include "support/memory_stream.h"

namespace {

struct Client : http::HttpClientBase {
  Client() : HttpClientBase("example.invalid", "8080", "/p?q=1", "Hello") {}
  using HttpClientBase::start_exchange;
};

// The exchange, whatever reads the response comes in: the failure, or the
// status as read and " text" for text content.
TEST(HttpClientBase, ExchangeInReadsOfAnySize) {
  const char* const table[][2] = {
      {"HTTP/1.0 200 OK\r\nServer: x\r\nContent-Type: text/html\r\n\r\n", "200 OK\r text"},
      {"HTTP/1.0 200\r\nContent-Type: image/png\r\n\r\n\x89PNG", "200\r"},
      {"HTTP/1.0 204 No Content\r\n\r\n", "204 No Content\r"},
      {"HTTP/1.0 200 OK\r\n\r\nContent-Type: text/html\r\n\r\n", "200 OK\r"},  // in the body
      {"", "End of file"},
  };
  for (const auto& c : table) {
    for (const std::size_t chunk : {1, 5, 4096}) {
      Client client;
      boost::asio::io_context io;
      testing_support::MemoryStream stream(io, c[0], chunk);
      client.start_exchange(stream);
      io.run();
      EXPECT_EQ(stream.written(),
                "GET /p?q=1 HTTP/1.0\r\nHost: example.invalid\r\nAccept: */*\r\n"
                "Connection: close\r\n\r\n");
      EXPECT_EQ(client.error ? client.error_text
                             : std::to_string(client.status_code) + client.status_message +
                                   (client.text_content ? " text" : ""),
                c[1])
          << c[0] << " in reads of " << chunk;
    }
  }
}

}  // namespace
