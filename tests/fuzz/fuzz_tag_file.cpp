// Arbitrary bytes as a product and as a component tag file: whatever is read, the declared name
// and version carry no surrounding blanks and are never longer than the input.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "software/TrkTagFiles.h"

using hxfuzz::Check;

namespace {

void CheckValue(const std::string& value, size_t size) {
  Check(value.size() <= size);
  if (value.empty()) return;
  for (char blank : {' ', '\t', '\n', '\r'}) Check(value.front() != blank && value.back() != blank);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  SWTAGC product;
  CMPTAGC component;
  for (IBMTAGC* tag : {static_cast<IBMTAGC*>(&product), static_cast<IBMTAGC*>(&component)}) {
    HX_IGNORE_RESULT(tag->ParseTAGText(text));  // only that it does not crash
    CheckValue(tag->name, size);
    CheckValue(tag->version, size);
  }
  return 0;
}
