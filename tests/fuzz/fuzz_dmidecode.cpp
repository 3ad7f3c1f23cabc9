// Arbitrary bytes as dmidecode output: one record per handle line, value names that are
// stripped and not empty, and chassis type numbers inside the table for any value.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "hardware/unix/SMBiosParser.h"

using hxfuzz::Check;

static bool Stripped(std::string_view s) {
  const std::string_view strip = " \t\r\n";
  return s.empty() || (strip.find(s.front()) == std::string_view::npos && strip.find(s.back()) == std::string_view::npos);
}

constexpr int c_LastChassisType = 29;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(hxfuzz::Text(data, size));
  size_t handles = 0;
  for (const StringC& line : lines) {
    const size_t first = line.find_first_not_of(" \t\r\n");
    if (first == StringC::npos) continue;
    const size_t last = line.find_last_not_of(" \t\r\n");
    if (hx::StartsWith(std::string_view(line).substr(first, last - first + 1), "Handle ")) ++handles;
  }
  const SMBiosRecordsT records = hx::ParseDmiDecodeOutput(lines);
  Check(records.size() == handles);
  for (const RefM<SMBiosDataC>& r : records) {
    Check(r->GetType() >= SMBiosDataC::c_TypeUnknown);
    Check(Stripped(r->GetName()));
    for (const auto& [name, value] : r->GetValues()) {
      Check(!name.empty() && Stripped(name) && Stripped(value));
      const int id = hx::ChassisNameToID(value);
      Check(id >= 0 && id <= c_LastChassisType);
    }
  }
  return 0;
}
