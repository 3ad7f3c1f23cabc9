// Arbitrary bytes as an installer registry (both kinds) and a BEA home list: no fault, every
// package has a name and a version, and its type is the registry's.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "packages/listers/registry/RegistryParsers.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& [read, type] : {std::make_pair(&trk::ReadIARegistry, "IA"), std::make_pair(&trk::ReadBEARegistry, "BEA")}) {
    trk::RegistryCollectionT collection;
    HX_IGNORE_RESULT(read(text, &collection));
    for (const auto& p : collection) {
      Check(p->type() == type && !p->name().empty() && !p->version().asString(true).empty());
    }
  }
  for (const std::string& home : trk::SplitBeaHomeList(text)) Check(!home.empty() && home.find(';') == std::string::npos);
  return 0;
}
