// A stream in memory for Boost.Asio's composed operations: reads deliver
// `response` in pieces of at most `chunk` bytes, then end of file (a read into
// no space completes at once, as on a socket); writes are kept. Completions
// are posted to `io`, as a socket's are.
#ifndef QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_
#define QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_

#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
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
    const std::size_t piece = std::min(chunk_, response_.size() - offset_);
    const std::size_t n =
        boost::asio::buffer_copy(buffers, boost::asio::buffer(response_.data() + offset_, piece));
    offset_ += n;
    const bool end = n == 0 && boost::asio::buffer_size(buffers) != 0;
    complete(std::forward<Handler>(handler), end ? boost::asio::error::eof : Error(), n);
  }

  template <class ConstBuffers, class Handler>
  void async_write_some(const ConstBuffers& buffers, Handler&& handler) {
    std::string bytes(boost::asio::buffer_size(buffers), '\0');
    boost::asio::buffer_copy(boost::asio::buffer(bytes), buffers);
    written_ += bytes;
    complete(std::forward<Handler>(handler), Error(), bytes.size());
  }

  const std::string& written() const { return written_; }

 private:
  using Error = boost::system::error_code;

  template <class Handler>
  void complete(Handler&& handler, Error code, std::size_t n) {
    boost::asio::post(io_, [h = std::forward<Handler>(handler), code, n]() mutable { h(code, n); });
  }

  boost::asio::io_context& io_;
  const std::string response_;
  const std::size_t chunk_;
  std::size_t offset_ = 0;
  std::string written_;
};

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_MEMORY_STREAM_H_
