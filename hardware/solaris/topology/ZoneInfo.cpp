#include "hardware/solaris/topology/ZoneInfo.h"

#include <algorithm>

#include "platform/MachineFile.h"
#include "platform/SysInfo.h"

namespace {

constexpr const char* c_ZonesIndex = "/etc/zones/index";
constexpr std::string_view c_LeadingStrip = "\t\n\r ";
constexpr char c_Comment = '#';
constexpr char c_FieldSeparator = ':';
constexpr size_t c_MinFields = 3;
constexpr size_t c_IdField = 3;

}  // namespace

std::vector<ZoneIndexEntryT> ParseZonesIndex(std::string_view text) {
  std::vector<ZoneIndexEntryT> entries;
  for (const std::string& raw : hx::SplitLines(text)) {
    const size_t start = raw.find_first_not_of(c_LeadingStrip);
    if (start == std::string::npos || raw[start] == c_Comment) continue;
    const StringArrayC fields = hx::Split(std::string_view(raw).substr(start), c_FieldSeparator);
    if (fields.size() < c_MinFields) continue;
    entries.push_back(ZoneIndexEntryT{fields[0], fields.size() > c_IdField ? fields[c_IdField] : StringC()});
  }
  return entries;
}

const ZoneInfoC& ZoneInfoC::Instance() {
  static const ZoneInfoC s_instance = [] {
    StringC name;
    if (!hx::CurrentZoneName(name) || name.size() > c_MaxZoneName) name.clear();
    std::string text;
    if (!hx::ReadMachineFile(c_ZonesIndex, text)) return ZoneInfoC(name, nullptr);
    const std::vector<ZoneIndexEntryT> index = ParseZonesIndex(text);
    return ZoneInfoC(name, &index);
  }();
  return s_instance;
}

ZoneInfoC::ZoneInfoC(const StringC& currentName, const std::vector<ZoneIndexEntryT>* index) : name_(currentName) {
  if (index == nullptr) return;
  for (const ZoneIndexEntryT& e : *index) {
    if (e.name == currentName) {
      id_ = e.id;
      return;
    }
  }
  if (!currentName.empty()) return;
  // A zone whose calls say nothing still knows itself when its index lists only itself.
  const auto isLocal = [](const ZoneIndexEntryT& e) { return e.name != c_GlobalZone; };
  if (std::count_if(index->begin(), index->end(), isLocal) != 1) return;
  const ZoneIndexEntryT& only = *std::find_if(index->begin(), index->end(), isLocal);
  name_ = only.name;
  id_ = only.id;
}
