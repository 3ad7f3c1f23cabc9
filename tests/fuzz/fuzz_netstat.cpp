// Arbitrary bytes as `netstat -nr` output: the gateway found is one word of the first default
// route line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/core/Text.h"
#include "hardware/unix/NetstatParser.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const StringArrayC lines = hx::SplitLines(text);
  const StringC gateway = hx::FindDefaultGateway(lines);
  for (const StringC& line : lines) {
    if (!hx::StartsWith(line, "default") && !hx::StartsWith(line, "0.0.0.0")) continue;
    const StringArrayC words = hx::SplitBlanks(line);
    Check(gateway == (words.size() > 1 ? words[1] : StringC()));
    return 0;
  }
  Check(gateway.empty());
  return 0;
}
