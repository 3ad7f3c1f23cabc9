// Bytes as an installer registry of both kinds and as a BEA home list: every package has the
// registry's type, a name and a version; no home is empty.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "packages/listers/registry/RegistryParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  for (const auto& [read, type] : {std::make_pair(&trk::ReadIARegistry, "IA"), std::make_pair(&trk::ReadBEARegistry, "BEA")}) {
    trk::RegistryCollectionT collection;
    HX_IGNORE_RESULT(read(text, &collection));
    for (const auto& p : collection)
      if (p->type() != type || p->name().empty() || p->version().asString(true).empty()) std::abort();
  }
  for (const std::string& home : trk::SplitBeaHomeList(text))
    if (home.empty()) std::abort();
  return 0;
}
