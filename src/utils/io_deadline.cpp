#include "utils/io_deadline.h"

#include <chrono>
#include <stdexcept>
#include <string>

namespace utils {

void run_with_deadline(boost::asio::io_service& io, int seconds) {
  io.run_for(std::chrono::seconds(seconds));
  if (!io.stopped()) throw std::runtime_error("Timed out after " + std::to_string(seconds) + " s");
}

}  // namespace utils
