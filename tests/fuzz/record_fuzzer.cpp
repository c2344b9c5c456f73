// The record parser on any text: it never throws, it splits as the regular
// expression it replaced does wherever that expression does not give up,
// and outside text made safe with escape_record_text stays in its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "logger/logger.h"
#include "support/record_regex.h"
#include "utils/params.h"

namespace {

// The expression takes milliseconds on long hostile texts: compared on the
// shorter ones only, to keep the fuzzer fast.
const std::size_t max_compared_size = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> pieces = utils::split_record(text);
  utils::get_params_map(text);
  if (size <= max_compared_size) {
    try {
      if (testing_support::split_record_by_regex(text) != pieces) std::abort();
    } catch (const std::runtime_error&) {
      // The expression gave up; the scanner has answered all the same.
    }
  }

  const utils::ParamsList fields = {{"resultstring", utils::escape_record_text(text)}, {"k", "v"}};
  if (utils::get_params_map(utils::params_list_to_string(fields)) !=
      utils::ParamsMap(fields.begin(), fields.end())) {
    std::abort();
  }
  logger::escape(text);
  logger::escape(text, 255);
  return 0;
}
