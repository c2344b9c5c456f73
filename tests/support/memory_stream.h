// A stream for Boost.Asio's composed reads and writes that lives in memory:
// reads deliver a canned response in pieces of at most `chunk` bytes and
// then end of file (a read into no space completes at once with nothing, as
// on a socket); writes are kept. Lets the HTTP client's exchange run
// without a socket. Completions are posted to the io_context, as a socket's
// are. Used by the thread that runs the io_context.
#ifndef QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_
#define QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_

#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <cstddef>
#include <string>
#include <utility>

namespace testing_support {

class MemoryStream {
 public:
  using executor_type = boost::asio::io_context::executor_type;

  MemoryStream(boost::asio::io_context& io, std::string response, std::size_t chunk)
      : io_(io), response_(std::move(response)), chunk_(std::max<std::size_t>(chunk, 1)) {}

  executor_type get_executor() { return io_.get_executor(); }

  template <class MutableBuffers, class Handler>
  void async_read_some(const MutableBuffers& buffers, Handler&& handler) {
    boost::system::error_code code;
    std::size_t n = 0;
    if (boost::asio::buffer_size(buffers) == 0) {
      // Composed reads start with such a read to complete through the io_context.
    } else if (offset_ == response_.size()) {
      code = boost::asio::error::eof;
    } else {
      const std::size_t piece = std::min(chunk_, response_.size() - offset_);
      n = boost::asio::buffer_copy(buffers, boost::asio::buffer(response_.data() + offset_, piece));
      offset_ += n;
    }
    boost::asio::post(
        io_, [handler = std::forward<Handler>(handler), code, n]() mutable { handler(code, n); });
  }

  template <class ConstBuffers, class Handler>
  void async_write_some(const ConstBuffers& buffers, Handler&& handler) {
    const std::size_t n = boost::asio::buffer_size(buffers);
    std::string bytes(n, '\0');
    boost::asio::buffer_copy(boost::asio::buffer(&bytes[0], n), buffers);
    written_ += bytes;
    boost::asio::post(io_, [handler = std::forward<Handler>(handler), n]() mutable {
      handler(boost::system::error_code(), n);
    });
  }

  // Everything written so far.
  const std::string& written() const { return written_; }

 private:
  boost::asio::io_context& io_;
  const std::string response_;
  const std::size_t chunk_;
  std::size_t offset_ = 0;
  std::string written_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_
