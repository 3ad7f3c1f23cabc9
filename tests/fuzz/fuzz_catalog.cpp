// Arbitrary bytes as a message catalog file: opening and lookups must never crash or read
// outside the file; an image the dump accepts must be found entry by entry by the reader, and
// its dump must compile back to an image that dumps the same.

#include "FuzzSupport.h"
#include "foundation/messages/CatalogCompiler.h"
#include "foundation/messages/ErrCatalog.h"
#include "foundation/messages/MessageId.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = hxfuzz::Scratch("fuzz.cat", data, size);
  if (path.empty()) return 0;
  const std::string image = hxfuzz::Text(data, size);
  const ErrCatalogC cat(path, hx::LocaleRegionT{});
  for (uint32_t id : {0xE0BD000Au, 0xE0BD0000u, 0xE0000002u, 0xC0BD000Au, 0xEFFFFFFFu, 0x20000000u}) {
    ErrSevT sev;
    (void)cat.getMessage(sev, static_cast<int32_t>(id), "\x01\x01i\x01" "Default");
  }

  std::vector<hx::CatalogEntryT> entries;
  std::string error;
  if (!hx::ReadCatalogImage(image, entries, error) || !hx::CheckCatalogOrder(entries).empty()) return 0;
  bool lookable = true;
  for (const auto& e : entries) {
    if (e.set > hx::MSGID_SET_MASK || e.number > hx::MSGID_NUMBER_MASK) {
      lookable = false;
      continue;
    }
    const auto found = cat.getMessage(hx::MsgLogId(e.set, e.number));
    Check(found.has_value() && *found == e.text);
  }
  if (!lookable) return 0;
  std::string source, again, recompiled;
  Check(hx::DumpCatalog(image, source, error));
  Check(hx::CompileCatalog(source, recompiled, error));
  Check(hx::DumpCatalog(recompiled, again, error) && again == source);
  return 0;
}
