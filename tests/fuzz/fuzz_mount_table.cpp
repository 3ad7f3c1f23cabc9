// Arbitrary bytes as a mount table in both forms: every entry has its three fields, an
// /etc/mnttab field never holds a tab, and decoding never makes a field longer.

#include "FuzzSupport.h"
#include "platform/MountTable.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  for (const hx::MountEntryT& e : hx::ParseMnttab(text)) {
    Check(!e.special.empty() && !e.mountPoint.empty() && !e.type.empty());
    Check(e.mountPoint.find('\t') == std::string::npos);
    hx::ClassifyMount(e, true);
  }
  for (const hx::MountEntryT& e : hx::ParseProcMounts(text)) {
    Check(!e.special.empty() && !e.mountPoint.empty() && !e.type.empty());
    Check(e.mountPoint.size() <= size);
    hx::ClassifyMount(e, false);
  }
  Check(hx::DecodeOctalEscapes(text).size() <= size);
  return 0;
}
