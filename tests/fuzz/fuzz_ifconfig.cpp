// Arbitrary bytes as `ifconfig -a` output: every adapter block must have a usable name and
// trimmed attribute lines, and what is read from a block must be consistent with itself.

#include <algorithm>

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "hardware/unix/IfconfigParser.h"

using hxfuzz::Check;

static bool Trimmed(std::string_view s) { return s.empty() || (!hx::IsBlank(s.front()) && !hx::IsBlank(s.back())); }

static bool DottedQuad(const StringC& s) {
  const StringArrayC parts = hx::Split(s, '.');
  if (parts.size() != 4) return false;
  for (const StringC& p : parts) {
    uint64_t n = 0;
    if (!hx::ParseUInt64(p, n) || n > 255) return false;
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  // A mask without dots, whatever its characters, comes out as four decimal bytes.
  StringC mask = text.substr(0, 64);
  mask.erase(std::remove(mask.begin(), mask.end(), '.'), mask.end());
  mask.erase(std::find(mask.begin(), mask.end(), '\0'), mask.end());
  Check(DottedQuad(hx::NetmaskToDotted(mask)));
  for (const hx::IfconfigBlockC& block : hx::SplitIfconfigBlocks(hx::SplitLines(text))) {
    Check(!block.name.empty());
    Check(block.name.find_first_of(": \t") == StringC::npos);
    Check(!block.lines.empty());
    for (size_t i = 0; i < block.lines.size(); ++i) {
      Check(Trimmed(block.lines[i]));
      Check(i == 0 || !block.lines[i].empty());
    }
    const hx::AdapterSettingsC s = hx::ReadAdapterSettings(block.lines);
    if (s.loopback) continue;
    Check(s.ipEnabled == (!s.ipAddress.empty() || !s.ipv6Address.empty()));
    Check(s.ipSubnet.empty() || s.ipSubnet.find('.') != StringC::npos);
    for (const StringC& group : hx::Split(s.macAddress, ':')) Check(group.size() != 1);
  }
  return 0;
}
