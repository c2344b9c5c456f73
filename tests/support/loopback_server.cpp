#include "support/loopback_server.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <chrono>
#include <type_traits>

namespace testing_support {

namespace asio = boost::asio;
using asio::ip::tcp;
using TlsStream = asio::ssl::stream<tcp::socket>;

class LoopbackServer::Impl {
 public:
  explicit Impl(ServerBehaviour behaviour)
      : behaviour_(std::move(behaviour)),
        acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)),
        context_(asio::ssl::context::tls_server) {
    if (behaviour_.certificate != nullptr) {
      const TestCertificate& cert = *behaviour_.certificate;
      context_.use_certificate(asio::buffer(cert.certificate_pem), asio::ssl::context::pem);
      context_.use_private_key(asio::buffer(cert.key_pem), asio::ssl::context::pem);
      // Recorded while the ClientHello is read, before the client can have
      // finished its handshake.
      SSL_CTX_set_tlsext_servername_callback(context_.native_handle(), &record_server_name);
      SSL_CTX_set_tlsext_servername_arg(context_.native_handle(), this);
    }
    accept();
  }

  int port() const { return acceptor_.local_endpoint().port(); }
  void run() { io_.run(); }
  void stop() { io_.stop(); }

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::string last_request;
  std::string last_server_name;
  int closed = 0;

 private:
  template <class Stream>
  class Session;

  static int record_server_name(SSL* ssl, int*, void* arg) {
    Impl& self = *static_cast<Impl*>(arg);
    const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    std::lock_guard<std::mutex> lock(self.mutex);
    self.last_server_name = name != nullptr ? name : "";
    return SSL_TLSEXT_ERR_OK;
  }

  void accept();

  const ServerBehaviour behaviour_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  asio::ssl::context context_;
};

// One connection: (handshake,) read the request, reply, close gracefully
// (send side first, then read until the client closes its end).
template <class Stream>
class LoopbackServer::Impl::Session : public std::enable_shared_from_this<Session<Stream>> {
 public:
  static constexpr bool tls = std::is_same<Stream, TlsStream>::value;

  Session(Impl& server, tcp::socket socket) : server_(server), stream_(make(server, socket)) {}

  void start() {
    auto self = this->shared_from_this();
    if constexpr (tls) {
      stream_.async_handshake(asio::ssl::stream_base::server,
                              [self](const boost::system::error_code& error) {
                                if (error) return self->drain();
                                self->serve();
                              });
    } else {
      serve();
    }
  }

 private:
  static Stream make(Impl& server, tcp::socket& socket) {
    if constexpr (tls) {
      return Stream(std::move(socket), server.context_);
    } else {
      (void)server;
      return std::move(socket);
    }
  }

  tcp::socket& raw() {
    if constexpr (tls) {
      return stream_.next_layer();
    } else {
      return stream_;
    }
  }

  template <class F>
  void record(F&& change) {
    std::lock_guard<std::mutex> lock(server_.mutex);
    change();
    server_.changed.notify_all();
  }

  void serve() {
    auto self = this->shared_from_this();
    if (!server_.behaviour_.answer) return drain();
    if (!server_.behaviour_.read_request) return reply();
    asio::async_read_until(stream_, request_, "\r\n\r\n",
                           [self](const boost::system::error_code& error, std::size_t size) {
                             if (error) return self->drain();
                             const auto data = self->request_.data();
                             std::string text(asio::buffers_begin(data),
                                              asio::buffers_begin(data) + size);
                             self->record([&] { self->server_.last_request = text; });
                             self->reply();
                           });
  }

  void reply() {
    auto self = this->shared_from_this();
    asio::async_write(stream_, asio::buffer(server_.behaviour_.reply),
                      [self](const boost::system::error_code&, std::size_t) { self->finish(); });
  }

  void finish() {
    auto self = this->shared_from_this();
    if constexpr (tls) {
      if (server_.behaviour_.close_notify) {
        // Sends the closing alert; the client closes without answering it.
        return stream_.async_shutdown([self](const boost::system::error_code&) {
          boost::system::error_code ignored;
          self->raw().shutdown(tcp::socket::shutdown_send, ignored);
          self->drain();
        });
      }
    }
    boost::system::error_code ignored;
    raw().shutdown(tcp::socket::shutdown_send, ignored);
    drain();
  }

  // Reads (and drops) until the client closes its end.
  void drain() {
    auto self = this->shared_from_this();
    raw().async_read_some(asio::buffer(scratch_),
                          [self](const boost::system::error_code& error, std::size_t) {
                            if (!error) return self->drain();
                            self->record([&] { ++self->server_.closed; });
                          });
  }

  Impl& server_;
  Stream stream_;
  asio::streambuf request_;
  char scratch_[4096];
};

void LoopbackServer::Impl::accept() {
  acceptor_.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    if (error) return;
    if (behaviour_.certificate != nullptr) {
      std::make_shared<Session<TlsStream>>(*this, std::move(socket))->start();
    } else {
      std::make_shared<Session<tcp::socket>>(*this, std::move(socket))->start();
    }
    accept();
  });
}

LoopbackServer::LoopbackServer(ServerBehaviour behaviour)
    : impl_(std::make_unique<Impl>(std::move(behaviour))), port_(impl_->port()) {
  thread_ = std::thread([this] { impl_->run(); });
}

LoopbackServer::~LoopbackServer() {
  impl_->stop();
  thread_.join();
}

std::string LoopbackServer::last_request() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->last_request;
}

std::string LoopbackServer::last_server_name() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->last_server_name;
}

bool LoopbackServer::wait_for_closed(int count, double seconds) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  return impl_->changed.wait_for(lock, std::chrono::duration<double>(seconds),
                                 [&] { return impl_->closed >= count; });
}

}  // namespace testing_support
