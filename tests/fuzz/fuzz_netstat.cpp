// Arbitrary bytes as `netstat -nr` output: the gateway found is one word of the first default
// route line.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "hardware/unix/NetstatParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(hxfuzz::Text(data, size));
  const StringC gateway = hx::FindDefaultGateway(lines);
  for (const StringC& line : lines) {
    if (!hx::StartsWith(line, "default") && !hx::StartsWith(line, "0.0.0.0")) continue;
    const StringArrayC words = hx::SplitBlanks(line);
    hxfuzz::Check(gateway == (words.size() > 1 ? words[1] : StringC()));
    return 0;
  }
  hxfuzz::Check(gateway.empty());
  return 0;
}
