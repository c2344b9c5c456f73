// The reading of the output of one ping run. A check turns whatever the
// parser throws into a failed result, so only crashes, undefined behaviour
// and hangs are faults here.
#include <exception>

#include "checks/ping_check.h"
#include "command_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    checks::PingCheck::parse_ping_output(*fuzz::command_output(data, size));
  } catch (const std::exception&) {
  }
  return 0;
}
