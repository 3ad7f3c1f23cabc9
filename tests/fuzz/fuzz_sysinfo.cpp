// Arbitrary bytes as a name=value snapshot file (sysinfo, sysconf, openprom, zone, uname):
// names are trimmed, not empty and hold no "="; values are trimmed; the last line of a name
// is the one found.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const hx::NameValuesT values = hx::ParseNameValues(hxfuzz::Text(data, size));
  std::string found;
  for (const auto& [name, value] : values) {
    Check(!name.empty() && name == hx::Trim(name) && name.find('=') == std::string::npos);
    Check(value == hx::Trim(value) && value.find('\n') == std::string::npos);
    Check(hx::FindNameValue(values, name, found));
  }
  Check(values.empty() || (hx::FindNameValue(values, values.back().first, found) && found == values.back().second));
  return 0;
}
