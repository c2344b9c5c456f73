// The INI loader on any file content. A file it cannot read must end in a
// ptree_error, which start-up reports as "Error parsing ini file"; any other
// exception would end the agent without that line.
#include <boost/property_tree/exceptions.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const testing_support::TempDir folder;
  const std::string path =
      folder.write("quor.ini", std::string(reinterpret_cast<const char*>(data), size));
  try {
    Settings::load(path);
  } catch (const boost::property_tree::ptree_error&) {
  }
  return 0;
}
