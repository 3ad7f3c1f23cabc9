// Arbitrary bytes as a name=value snapshot file (sysinfo, sysconf, openprom, zone, uname):
// names are trimmed, not empty and hold no "="; values are trimmed; the last line of a name
// is the one found.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const hx::NameValuesT values = hx::ParseNameValues(text);
  for (const auto& [name, value] : values) {
    Check(!name.empty() && name == hx::Trim(name) && name.find('=') == std::string::npos);
    Check(value == hx::Trim(value) && value.find('\n') == std::string::npos);
    std::string found;
    Check(hx::FindNameValue(values, name, found));
  }
  if (!values.empty()) {
    std::string found;
    Check(hx::FindNameValue(values, values.back().first, found) && found == values.back().second);
  }
  return 0;
}
