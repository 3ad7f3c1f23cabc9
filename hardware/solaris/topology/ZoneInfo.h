#pragma once
// ZoneInfoC: which zone the tracker runs in: the zone's name as the operating system reports
// it and the identifier the zone index gives it ("/etc/zones/index", lines
// "name:state:path[:identifier...]").

#include <string_view>
#include <vector>

#include "foundation/core/Text.h"

struct ZoneIndexEntryT {
  StringC name;
  StringC id;  // "" when the line has no fourth field
};

// The entries of a zone index: lines stripped of leading tabs, line ends and blanks; empty
// lines and lines starting with "#" skipped; fields split at ":" (empty ones kept); lines with
// fewer than three fields ignored. Pure.
std::vector<ZoneIndexEntryT> ParseZonesIndex(std::string_view text);

class ZoneInfoC {
 public:
  // Names longer than this are not believed.
  static constexpr size_t c_MaxZoneName = 127;
  static constexpr const char* c_GlobalZone = "global";

  // The tracker's zone, made at the first call and kept.
  static const ZoneInfoC& Instance();

  // The zone of `currentName` (what the zone calls gave, "" when they gave nothing) with the
  // index `index` (null when the file cannot be read): the identifier of the first entry of
  // that name; with no name and no such entry, the only entry that is not the global zone
  // names the zone.
  ZoneInfoC(const StringC& currentName, const std::vector<ZoneIndexEntryT>* index);

  const StringC& zoneName() const { return name_; }
  const StringC& zoneId() const { return id_; }

 private:
  StringC name_;
  StringC id_;
};
