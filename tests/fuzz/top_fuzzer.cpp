// The reading of the summary lines of "top -d 1 -n 1 -b". A check turns
// whatever the parser throws into a failed result, so only crashes,
// undefined behaviour and hangs are faults here.
#include <exception>

#include "checks/memory_check.h"
#include "command_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    checks::MemoryCheck::parse_top(*fuzz::command_output(data, size));
  } catch (const std::exception&) {
  }
  return 0;
}
