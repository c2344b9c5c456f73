#include "support/loopback_server.h"

#include <chrono>
#include <type_traits>

namespace testing_support {

namespace asio = boost::asio;
using asio::ip::tcp;
using TlsStream = asio::ssl::stream<tcp::socket>;
using Error = boost::system::error_code;

// One connection: (handshake,) read the request, reply, close gracefully
// (send side first, then read until the client closes its end).
template <class Stream>
class LoopbackServer::Session : public std::enable_shared_from_this<Session<Stream>> {
 public:
  static constexpr bool tls = std::is_same<Stream, TlsStream>::value;

  Session(LoopbackServer& server, Stream stream) : server_(server), stream_(std::move(stream)) {}

  void start() {
    auto self = this->shared_from_this();
    if constexpr (tls) {
      stream_.async_handshake(asio::ssl::stream_base::server, [self](const Error& error) {
        error ? self->drain() : self->serve();
      });
    } else {
      serve();
    }
  }

 private:
  tcp::socket& socket() {
    if constexpr (tls) {
      return stream_.next_layer();
    } else {
      return stream_;
    }
  }

  void serve() {
    auto self = this->shared_from_this();
    if (!server_.behaviour_.answer) return drain();
    if (!server_.behaviour_.read_request) return reply();
    asio::async_read_until(stream_, request_, "\r\n\r\n",
                           [self](const Error& error, std::size_t size) {
                             if (error) return self->drain();
                             const auto data = self->request_.data();
                             {
                               std::lock_guard<std::mutex> lock(self->server_.mutex_);
                               self->server_.last_request_.assign(asio::buffers_begin(data),
                                                                  asio::buffers_begin(data) + size);
                             }
                             self->reply();
                           });
  }

  void reply() {
    auto self = this->shared_from_this();
    asio::async_write(
        stream_, asio::buffer(server_.behaviour_.reply), [self](const Error&, std::size_t) {
          if constexpr (tls) {
            // Sends the closing alert; the client closes without answering it.
            if (self->server_.behaviour_.close_notify) {
              return self->stream_.async_shutdown([self](const Error&) { self->finish(); });
            }
          }
          self->finish();
        });
  }

  void finish() {
    Error ignored;
    socket().shutdown(tcp::socket::shutdown_send, ignored);
    drain();
  }

  // Reads (and drops) until the client closes its end.
  void drain() {
    auto self = this->shared_from_this();
    socket().async_read_some(asio::buffer(scratch_), [self](const Error& error, std::size_t) {
      if (!error) return self->drain();
      std::lock_guard<std::mutex> lock(self->server_.mutex_);
      ++self->server_.closed_;
      self->server_.changed_.notify_all();
    });
  }

  LoopbackServer& server_;
  Stream stream_;
  asio::streambuf request_;
  char scratch_[4096];
};

LoopbackServer::LoopbackServer(ServerBehaviour behaviour)
    : behaviour_(std::move(behaviour)),
      acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)),
      context_(asio::ssl::context::tls_server),
      port_(acceptor_.local_endpoint().port()) {
  if (behaviour_.certificate != nullptr) {
    context_.use_certificate(asio::buffer(behaviour_.certificate->certificate_pem),
                             asio::ssl::context::pem);
    context_.use_private_key(asio::buffer(behaviour_.certificate->key_pem),
                             asio::ssl::context::pem);
    // Recorded while the ClientHello is read, before the client can have
    // finished its handshake.
    SSL_CTX_set_tlsext_servername_callback(
        context_.native_handle(), +[](SSL* ssl, int*, void* arg) {
          LoopbackServer& self = *static_cast<LoopbackServer*>(arg);
          const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
          std::lock_guard<std::mutex> lock(self.mutex_);
          self.last_server_name_ = name != nullptr ? name : "";
          return SSL_TLSEXT_ERR_OK;
        });
    SSL_CTX_set_tlsext_servername_arg(context_.native_handle(), this);
  }
  accept();
  thread_ = std::thread([this] { io_.run(); });
}

LoopbackServer::~LoopbackServer() {
  io_.stop();
  thread_.join();
}

void LoopbackServer::accept() {
  acceptor_.async_accept([this](const Error& error, tcp::socket socket) {
    if (error) return;
    if (behaviour_.certificate != nullptr) {
      std::make_shared<Session<TlsStream>>(*this, TlsStream(std::move(socket), context_))->start();
    } else {
      std::make_shared<Session<tcp::socket>>(*this, std::move(socket))->start();
    }
    accept();
  });
}

std::string LoopbackServer::last_request() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_request_;
}

std::string LoopbackServer::last_server_name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_server_name_;
}

bool LoopbackServer::wait_for_closed(int count, double seconds) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                           [&] { return closed_ >= count; });
}

}  // namespace testing_support
