// The time bound of a check's network exchange. Stateless.
#ifndef QUOR2_UTILS_IO_DEADLINE_H_
#define QUOR2_UTILS_IO_DEADLINE_H_

#include <boost/asio/io_service.hpp>

namespace utils {

// Runs `io` on this thread until no work is left, for at most `seconds`.
// Throws std::runtime_error "Timed out after <seconds> s" when work is left;
// the caller's sockets are then closed by their destructors, and the
// unfinished operations are dropped with the io_service.
void run_with_deadline(boost::asio::io_service& io, int seconds);

}  // namespace utils

#endif  // QUOR2_UTILS_IO_DEADLINE_H_
