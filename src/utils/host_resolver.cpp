#include "utils/host_resolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include <boost/asio/error.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "utils/host_port.h"

namespace utils {

// Shared by the resolver and its lookup thread; whichever comes second finds
// the other's mark under the lock.
struct HostResolver::Lookup {
  explicit Lookup(boost::asio::io_service& io) : work(io.get_executor()) {}

  std::mutex mutex;
  bool abandoned = false;
  boost::asio::executor_work_guard<boost::asio::io_service::executor_type> work;
};

namespace {

// The codes that Boost.Asio's own resolver reports for getaddrinfo() errors.
boost::system::error_code translate(int code) {
  namespace netdb = boost::asio::error;
  switch (code) {
    case 0:
      return {};
    case EAI_AGAIN:
      return netdb::host_not_found_try_again;
    case EAI_BADFLAGS:
      return netdb::invalid_argument;
    case EAI_FAIL:
      return netdb::no_recovery;
    case EAI_FAMILY:
      return netdb::address_family_not_supported;
    case EAI_MEMORY:
      return netdb::no_memory;
    case EAI_NONAME:
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
      return netdb::host_not_found;
    case EAI_SERVICE:
      return netdb::service_not_found;
    case EAI_SOCKTYPE:
      return netdb::socket_type_not_supported;
    default:
      return {errno, boost::system::system_category()};
  }
}

// Names under "invalid" never exist (RFC 6761): answered here, without
// asking a name server anything.
bool special_invalid_name(std::string name) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::string suffix = ".invalid";
  return name == "invalid" ||
         (name.size() > suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
}

void lookup_endpoints(const std::string& host, const std::string& service,
                      boost::system::error_code& error, HostResolver::Endpoints& endpoints) {
  if (special_invalid_name(host)) {
    error = boost::asio::error::host_not_found;
    return;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  // AI_ADDRCONFIG would refuse ::1 on a host whose only IPv6 address it is.
  hints.ai_flags = HostPort::is_address_literal(host) ? AI_NUMERICHOST : AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  error = translate(getaddrinfo(host.c_str(), service.c_str(), &hints, &found));
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    boost::asio::ip::tcp::endpoint endpoint;
    if (entry->ai_addrlen > endpoint.capacity()) continue;
    std::memcpy(endpoint.data(), entry->ai_addr, entry->ai_addrlen);
    endpoint.resize(entry->ai_addrlen);
    endpoints.push_back(endpoint);
  }
  if (found != nullptr) freeaddrinfo(found);
}

}  // namespace

HostResolver::HostResolver(boost::asio::io_service& io) : io_(io) {}

HostResolver::~HostResolver() {
  if (!lookup_) return;
  std::lock_guard<std::mutex> lock(lookup_->mutex);
  lookup_->abandoned = true;
  lookup_->work.reset();
}

void HostResolver::async_resolve(const std::string& host, const std::string& service,
                                 Handler handler) {
  lookup_ = std::make_shared<Lookup>(io_);
  std::thread([lookup = lookup_, host, service, handler = std::move(handler)] {
    boost::system::error_code error;
    Endpoints endpoints;
    lookup_endpoints(host, service, error, endpoints);
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (lookup->abandoned) return;
    boost::asio::post(lookup->work.get_executor(), [lookup, handler, error, endpoints] {
      {
        std::lock_guard<std::mutex> delivery(lookup->mutex);
        if (lookup->abandoned) return;
      }
      handler(error, endpoints);
    });
    lookup->work.reset();
  }).detach();
}

}  // namespace utils
