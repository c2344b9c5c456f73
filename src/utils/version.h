// The agent's name and version as it announces itself.
#ifndef QUOR2_UTILS_VERSION_H_
#define QUOR2_UTILS_VERSION_H_

namespace utils {

constexpr const char* banner = "quor2-" QUOR2_VERSION;

}  // namespace utils

#endif  // QUOR2_UTILS_VERSION_H_
