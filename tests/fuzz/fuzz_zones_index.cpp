// Arbitrary bytes as /etc/zones/index: every entry comes from a line with at least three
// ":"-fields, so its name and identifier hold no ":" or line end, and the zone identity made
// from the entries names a zone of the index or the one the zone calls gave.

#include "FuzzSupport.h"
#include "hardware/solaris/topology/ZoneInfo.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<ZoneIndexEntryT> entries = ParseZonesIndex(hxfuzz::Text(data, size));
  for (const ZoneIndexEntryT& e : entries) {
    Check(e.name.find_first_of(":\n") == std::string::npos);
    Check(e.id.find_first_of(":\n") == std::string::npos);
  }
  for (const char* current : {"", "global", "web"}) {
    const ZoneInfoC zone(current, &entries);
    bool listed = zone.zoneName() == current;
    for (const ZoneIndexEntryT& e : entries) listed = listed || e.name == zone.zoneName();
    Check(listed);
  }
  return 0;
}
