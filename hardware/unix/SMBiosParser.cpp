#include "hardware/unix/SMBiosParser.h"

#include <cstdint>
#include <iterator>

namespace hx {
namespace {

constexpr std::string_view c_HandlePrefix = "Handle ";
constexpr std::string_view c_TypePrefix = "DMI type ";
constexpr std::string_view c_StripChars = " \t\r\n";
constexpr char c_CommentMark = '#';
constexpr char c_FieldSeparator = ',';
constexpr char c_ValueSeparator = ':';

// The chassis type names, indexed by their SMBIOS number.
constexpr const char* c_ChassisNames[] = {
    "0",                    "Other",                 "Unknown",
    "Desktop",              "Low Profile Desktop",   "Pizza Box",
    "Mini Tower",           "Tower",                 "Portable",
    "Laptop",               "Notebook",              "Hand Held",
    "Docking Station",      "All In One",            "Sub Notebook",
    "Space-saving",         "Lunch Box",             "Main Server Chassis",
    "Expansion Chassis",    "Sub Chassis",           "Bus Expansion Chassis",
    "Peripheral Chassis",   "RAID Chassis",          "Rack Mount Chassis",
    "Sealed-case PC",       "Multi-system",          "CompactPCI",
    "AdvancedTCA",          "Blade",                 "Blade Enclosing",
};
constexpr int c_ChassisUnknown = 2;

std::string_view Strip(std::string_view s) {
  const size_t first = s.find_first_not_of(c_StripChars);
  if (first == std::string_view::npos) return std::string_view();
  const size_t last = s.find_last_not_of(c_StripChars);
  return s.substr(first, last - first + 1);
}

// The type number of a "DMI type <n>" field: the decimal digits that follow the prefix;
// unknown when there are none or they do not fit.
int TypeOfField(std::string_view field) {
  std::string_view digits = field.substr(c_TypePrefix.size());
  size_t n = 0;
  while (n < digits.size() && digits[n] >= '0' && digits[n] <= '9') ++n;
  int64_t type = 0;
  if (n == 0 || !ParseInt64(digits.substr(0, n), type) || type > INT32_MAX)
    return SMBiosDataC::c_TypeUnknown;
  return static_cast<int>(type);
}

RefM<SMBiosDataC> StartRecord(std::string_view line) {
  RefM<SMBiosDataC> record(new SMBiosDataC);
  const size_t firstComma = line.find(c_FieldSeparator);
  record->SetHandle(StringC(line.substr(c_HandlePrefix.size(), firstComma - c_HandlePrefix.size())));
  if (firstComma != std::string_view::npos) {
    const std::string_view rest = line.substr(firstComma + 1);
    const std::string_view second = Strip(rest.substr(0, rest.find(c_FieldSeparator)));
    if (StartsWith(second, c_TypePrefix)) record->SetType(TypeOfField(second));
  }
  return record;
}

void AddValue(SMBiosDataC& record, std::string_view line) {
  if (line.size() < 2) return;
  const size_t colon = line.find(c_ValueSeparator, 1);
  if (colon == std::string_view::npos) return;
  record.SetValue(StringC(Strip(line.substr(0, colon))), StringC(Strip(line.substr(colon + 1))));
}

}  // namespace

SMBiosRecordsT ParseDmiDecodeOutput(const StringArrayC& lines) {
  SMBiosRecordsT records;
  bool expectTitle = false;
  for (const StringC& raw : lines) {
    const std::string_view line = Strip(raw);
    if (line.empty() || line[0] == c_CommentMark) continue;
    if (StartsWith(line, c_HandlePrefix)) {
      records.push_back(StartRecord(line));
      expectTitle = true;
    } else if (records.empty()) {
      continue;
    } else if (expectTitle && StartsWith(line, c_TypePrefix)) {
      const std::string_view first = line.substr(0, line.find(c_FieldSeparator));
      records.back()->SetType(TypeOfField(first));
    } else if (expectTitle) {
      records.back()->SetName(StringC(line));
      expectTitle = false;
    } else {
      AddValue(*records.back(), line);
    }
  }
  return records;
}

int ChassisNameToID(std::string_view name) {
  for (size_t id = 0; id < std::size(c_ChassisNames); ++id) {
    if (EqualsNoCase(name, c_ChassisNames[id])) return static_cast<int>(id);
  }
  return c_ChassisUnknown;
}

std::string ChassisIDToName(int id) {
  if (id < 0 || static_cast<size_t>(id) >= std::size(c_ChassisNames)) return c_ChassisNames[c_ChassisUnknown];
  return c_ChassisNames[id];
}

}  // namespace hx
