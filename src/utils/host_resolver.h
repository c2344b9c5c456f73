// Name resolution that a caller bounded in time can walk away from.
//
// getaddrinfo() cannot be cancelled, and the resolver of Boost.Asio waits for
// a pending lookup when its io_service is destroyed, so a hanging DNS server
// would hold a check past its time bound. This resolver runs each lookup on
// a detached thread of its own and posts the outcome to the io_service. A
// lookup whose handler has not run when the resolver is destroyed is
// abandoned: the handler never runs, and the thread ends on its own when
// getaddrinfo() returns. A pending lookup counts as work of the io_service.
//
// Used by the thread that runs the io_service; destroy it before the
// io_service.
#ifndef QUOR2_UTILS_HOST_RESOLVER_H_
#define QUOR2_UTILS_HOST_RESOLVER_H_

#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace utils {

class HostResolver {
 public:
  using Endpoints = std::vector<boost::asio::ip::tcp::endpoint>;
  using Handler = std::function<void(const boost::system::error_code&, const Endpoints&)>;

  explicit HostResolver(boost::asio::io_service& io);
  ~HostResolver();
  HostResolver(const HostResolver&) = delete;
  HostResolver& operator=(const HostResolver&) = delete;

  // Resolves `host` and `service` for TCP, any address family configured on
  // this host (as Boost.Asio's resolver does by default); an address literal
  // (IPv6 without brackets) as it is, whatever is configured. `handler` runs on
  // the io_service with the endpoints in the order getaddrinfo() gives, or
  // with the netdb error code of Boost.Asio. Names under "invalid" fail
  // with host_not_found without a query. One lookup per resolver.
  void async_resolve(const std::string& host, const std::string& service, Handler handler);

 private:
  struct Lookup;

  boost::asio::io_service& io_;
  std::shared_ptr<Lookup> lookup_;
};

}  // namespace utils

#endif  // QUOR2_UTILS_HOST_RESOLVER_H_
