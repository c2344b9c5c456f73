// The reading of "ps -ax -o user,args" output. A check turns whatever the
// parser throws into a failed result, so only crashes, undefined behaviour
// and hangs are faults here.
#include <exception>

#include "checks/proc_check.h"
#include "command_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    checks::ProcCheck::parse_ps(*fuzz::command_output(data, size));
  } catch (const std::exception&) {
  }
  return 0;
}
