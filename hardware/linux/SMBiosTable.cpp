#include "hardware/linux/SMBiosTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <vector>

#include "foundation/core/Format.h"
#include "foundation/core/Text.h"
#include "hardware/unix/SMBiosParser.h"

namespace hxlinux {
namespace {

constexpr std::string_view c_Anchor3 = "_SM3_";
constexpr std::string_view c_Anchor2 = "_SM_";
constexpr std::string_view c_AnchorLegacy = "_DMI_";
constexpr size_t c_Entry3Min = 0x18;
constexpr size_t c_Entry2Min = 0x1E;
constexpr size_t c_EntryMax = 0x20;
constexpr size_t c_LegacyEntry = 0x0F;
constexpr size_t c_Entry2Legacy = 0x10;  // where the "_DMI_" part of a 32-bit entry point starts
constexpr size_t c_HeaderLength = 4;

constexpr int c_TypeBios = 0;
constexpr int c_TypeSystem = 1;
constexpr int c_TypeBoard = 2;
constexpr int c_TypeChassis = 3;
constexpr int c_TypeProcessor = 4;
constexpr int c_TypeMemoryDevice = 17;
constexpr int c_TypeInactive = 126;
constexpr int c_TypeEndOfTable = 127;

constexpr uint32_t c_Version2_6 = 0x020600;
const char* const c_SizeUnits[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB", "ZB"};

// The names the table format gives its codes, from code 1 on.
// clang-format off
const std::vector<const char*> c_BoardTypes = {
    "Unknown", "Other", "Server Blade", "Connectivity Switch", "System Management Module", "Processor Module",
    "I/O Module", "Memory Module", "Daughter Board", "Motherboard", "Processor+Memory Module", "Processor+I/O Module",
    "Interconnect Board"};
// The chassis types after those the dmidecode reader knows (30 on).
constexpr int c_FirstNewerChassis = 30;
const std::vector<const char*> c_NewerChassisTypes = {
    "Tablet", "Convertible", "Detachable", "IoT Gateway", "Embedded PC", "Mini PC", "Stick PC"};
const std::vector<const char*> c_ProcessorTypes = {
    "Other", "Unknown", "Central Processor", "Math Processor", "DSP Processor", "Video Processor"};
const std::vector<const char*> c_ProcessorStates = {
    "Unknown", "Enabled", "Disabled By User", "Disabled By BIOS", "Idle", nullptr, nullptr, "Other"};
const std::vector<const char*> c_FormFactors = {
    "Other", "Unknown", "SIMM", "SIP", "Chip", "DIP", "ZIP", "Proprietary Card", "DIMM", "TSOP", "Row Of Chips", "RIMM",
    "SODIMM", "SRIMM", "FB-DIMM", "Die"};
const std::vector<const char*> c_MemoryTypes = {
    "Other", "Unknown", "DRAM", "EDRAM", "VRAM", "SRAM", "RAM", "ROM", "Flash", "EEPROM", "FEPROM", "EPROM", "CDRAM",
    "3DRAM", "SDRAM", "SGRAM", "RDRAM", "DDR", "DDR2", "DDR2 FB-DIMM", nullptr, nullptr, nullptr, "DDR3", "FBD2",
    "DDR4", "LPDDR", "LPDDR2", "LPDDR3", "LPDDR4", "Logical non-volatile device", "HBM", "HBM2", "DDR5", "LPDDR5",
    "HBM3"};
// clang-format on

// The name of `code` in a list that starts at code 1; "" outside it.
std::string Named(const std::vector<const char*>& names, unsigned code) {
  return code >= 1 && code <= names.size() && names[code - 1] != nullptr ? names[code - 1] : "";
}

bool ChecksumAddsUp(std::string_view bytes) {
  uint8_t sum = 0;
  for (const char c : bytes) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  return sum == 0;
}

uint64_t LittleEndian(std::string_view bytes, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

// A size in kilobytes as the tool writes it: in the largest unit that keeps the figure whole,
// or in the unit below when that gives two parts ("1536 MB", not "1 GB 512 MB").
std::string KilobytesText(uint64_t kilobytes) {
  std::array<uint64_t, 7> parts{};
  for (size_t i = 0; i < parts.size(); ++i) parts[i] = (kilobytes >> (10 * i)) & 0x3FF;
  size_t top = parts.size() - 1;
  while (top > 0 && parts[top] == 0) --top;
  uint64_t figure = parts[top];
  if (top > 0 && parts[top - 1] != 0) {
    --top;
    figure = parts[top] + (parts[top + 1] << 10);
  }
  return hx::Format("%llu %s", static_cast<unsigned long long>(figure), c_SizeUnits[top + 1]);
}

// One structure: its formatted part (header included) and its strings.
class StructureC {
 public:
  StructureC(std::string_view formatted, std::string_view strings) : formatted_(formatted) {
    for (size_t start = 0; start < strings.size();) {
      const size_t end = std::min(strings.find('\0', start), strings.size());
      strings_.push_back(strings.substr(start, end - start));
      start = end + 1;
    }
  }

  size_t Length() const { return formatted_.size(); }
  bool Has(size_t offset, size_t size) const { return offset + size <= formatted_.size(); }
  unsigned Byte(size_t offset) const { return static_cast<uint8_t>(formatted_[offset]); }
  unsigned Word(size_t offset) const { return static_cast<unsigned>(LittleEndian(formatted_, offset, 2)); }
  uint32_t Dword(size_t offset) const { return static_cast<uint32_t>(LittleEndian(formatted_, offset, 4)); }
  std::string_view Bytes(size_t offset, size_t size) const { return formatted_.substr(offset, size); }

  // The string the byte at `offset` points to: control characters as '.', trimmed, UTF-8.
  std::string String(size_t offset) const {
    if (!Has(offset, 1)) return std::string();
    const unsigned index = Byte(offset);
    if (index == 0 || index > strings_.size()) return std::string();
    std::string text(strings_[index - 1]);
    for (char& c : text) {
      if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = '.';
    }
    return hx::Trim(hx::ToValidUtf8(text));
  }

 private:
  std::string_view formatted_;
  std::vector<std::string_view> strings_;
};

class RecordWriterC {
 public:
  RecordWriterC(RefM<SMBiosDataC> record, const StructureC& s) : record_(std::move(record)), s_(s) {}

  void Set(const char* name, const std::string& value) {
    if (!value.empty()) record_->SetValue(name, value);
  }
  void String(const char* name, size_t offset) { Set(name, s_.String(offset)); }
  // A word that counts something in `unit`; 0 (and 0xFFFF where `unknown` says so) is unknown.
  void Count(const char* name, unsigned value, const char* unit, bool ffffUnknown = false) {
    if (value != 0 && !(ffffUnknown && value == 0xFFFF)) Set(name, hx::Format("%u%s", value, unit));
  }
  void Handle(const char* name, size_t offset) { Set(name, hx::Format("0x%04X", s_.Word(offset))); }

 private:
  RefM<SMBiosDataC> record_;
  const StructureC& s_;
};

void DecodeBios(const StructureC& s, RecordWriterC& w) {
  w.String("Vendor", 0x04);
  w.String("Version", 0x05);
  w.String("Release Date", 0x08);
  if (!s.Has(0x09, 1)) return;
  const unsigned segment = s.Word(0x06);
  if (segment != 0) {
    w.Set("Address", hx::Format("0x%04X0", segment));
    const unsigned runtime = (0x10000 - segment) << 4;
    w.Set("Runtime Size",
          (runtime & 0x3FF) != 0 ? hx::Format("%u bytes", runtime) : hx::Format("%u kB", runtime >> 10));
  }
  const unsigned rom = s.Byte(0x09);
  if (rom != 0xFF) {
    w.Set("ROM Size", KilobytesText(static_cast<uint64_t>(rom + 1) << 6));
  } else {
    // The larger ROM sizes of 3.1 tables; an older table that says "larger" means 16 MB.
    const unsigned extended = s.Has(0x18, 2) ? s.Word(0x18) : 16;
    const char* const units[] = {"MB", "GB"};
    if ((extended >> 14) < 2) w.Set("ROM Size", hx::Format("%u %s", extended & 0x3FFF, units[extended >> 14]));
  }
  if (!s.Has(0x14, 4)) return;
  if (s.Byte(0x14) != 0xFF && s.Byte(0x15) != 0xFF)
    w.Set("BIOS Revision", hx::Format("%u.%u", s.Byte(0x14), s.Byte(0x15)));
  if (s.Byte(0x16) != 0xFF && s.Byte(0x17) != 0xFF)
    w.Set("Firmware Revision", hx::Format("%u.%u", s.Byte(0x16), s.Byte(0x17)));
}

// The system's UUID; its first three fields are little-endian from version 2.6 on (before, the
// firmware wrote them in either order, and they are taken as they stand).
std::string Uuid(std::string_view b, uint32_t version) {
  if (b.find_first_not_of('\0') == std::string_view::npos || b.find_first_not_of('\xFF') == std::string_view::npos)
    return std::string();
  const bool swapped = version >= c_Version2_6;
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += hx::Format("%02x", static_cast<uint8_t>(b[swapped ? order[i] : i]));
  }
  return text;
}

void DecodeSystem(const StructureC& s, RecordWriterC& w, uint32_t version) {
  w.String("Manufacturer", 0x04);
  w.String("Product Name", 0x05);
  w.String("Version", 0x06);
  w.String("Serial Number", 0x07);
  if (!s.Has(0x08, 0x11)) return;
  w.Set("UUID", Uuid(s.Bytes(0x08, 16), version));
  if (!s.Has(0x19, 2)) return;
  w.String("SKU Number", 0x19);
  w.String("Family", 0x1A);
}

void DecodeBoard(const StructureC& s, RecordWriterC& w) {
  w.String("Manufacturer", 0x04);
  w.String("Product Name", 0x05);
  w.String("Version", 0x06);
  w.String("Serial Number", 0x07);
  w.String("Asset Tag", 0x08);
  if (!s.Has(0x0A, 4)) return;
  w.String("Location In Chassis", 0x0A);
  w.Set("Type", Named(c_BoardTypes, s.Byte(0x0D)));
}

void DecodeChassis(const StructureC& s, RecordWriterC& w) {
  w.String("Manufacturer", 0x04);
  if (s.Has(0x05, 1)) {
    const int type = static_cast<int>(s.Byte(0x05) & 0x7F);
    if (type >= c_FirstNewerChassis)
      w.Set("Type", Named(c_NewerChassisTypes, static_cast<unsigned>(type - c_FirstNewerChassis + 1)));
    else if (type != 0)
      w.Set("Type", hx::ChassisIDToName(type));
    w.Set("Lock", (s.Byte(0x05) & 0x80) != 0 ? "Present" : "Not Present");
  }
  w.String("Version", 0x06);
  w.String("Serial Number", 0x07);
  w.String("Asset Tag", 0x08);
  // The SKU number follows the contained elements (2.7).
  if (!s.Has(0x13, 2)) return;
  const size_t sku = 0x15 + static_cast<size_t>(s.Byte(0x13)) * s.Byte(0x14);
  w.String("SKU Number", sku);
}

void DecodeProcessor(const StructureC& s, RecordWriterC& w) {
  w.String("Socket Designation", 0x04);
  if (!s.Has(0x05, 0x15)) return;  // the 2.0 structure ends at 0x1A
  w.Set("Type", Named(c_ProcessorTypes, s.Byte(0x05)));
  w.String("Manufacturer", 0x07);
  std::string id;
  for (size_t i = 0; i < 8; ++i) id += hx::Format(i == 0 ? "%02X" : " %02X", s.Byte(0x08 + i));
  w.Set("ID", id);
  w.String("Version", 0x10);
  w.Count("External Clock", s.Word(0x12), " MHz");
  w.Count("Max Speed", s.Word(0x14), " MHz");
  w.Count("Current Speed", s.Word(0x16), " MHz");
  const unsigned status = s.Byte(0x18);
  const std::string state = Named(c_ProcessorStates, (status & 0x07) + 1);
  w.Set("Status", (status & 0x40) == 0 ? "Unpopulated" : state.empty() ? "Populated" : "Populated, " + state);
  if (!s.Has(0x20, 3)) return;
  w.String("Serial Number", 0x20);
  w.String("Asset Tag", 0x21);
  w.String("Part Number", 0x22);
  // Counts above 254 are in the words of 3.0 tables.
  const struct {
    const char* name;
    size_t byte, word;
  } counts[] = {{"Core Count", 0x23, 0x2A}, {"Core Enabled", 0x24, 0x2C}, {"Thread Count", 0x25, 0x2E}};
  for (const auto& c : counts) {
    if (!s.Has(c.byte, 1)) return;
    const unsigned value = s.Byte(c.byte) == 0xFF && s.Has(c.word, 2) ? s.Word(c.word) : s.Byte(c.byte);
    w.Count(c.name, value, "");
  }
}

// A module's size: a word in megabytes (kilobytes with its top bit set), or 0x7FFF for the
// 2.7 double word in megabytes.
std::string MemorySize(const StructureC& s) {
  const unsigned size = s.Word(0x0C);
  if (size == 0) return "No Module Installed";
  if (size == 0xFFFF) return std::string();
  if (size == 0x7FFF && s.Has(0x1C, 4)) return KilobytesText(static_cast<uint64_t>(s.Dword(0x1C) & 0x7FFFFFFF) << 10);
  const uint64_t value = size & 0x7FFF;
  return KilobytesText((size & 0x8000) != 0 ? value : value << 10);
}

// A speed in megatransfers per second: the word, or for 0xFFFF the 3.3 double word at `wide`.
void Speed(const StructureC& s, RecordWriterC& w, const char* name, size_t offset, size_t wide) {
  if (!s.Has(offset, 2)) return;
  const uint32_t speed = s.Word(offset) == 0xFFFF && s.Has(wide, 4) ? s.Dword(wide) : s.Word(offset);
  if (speed != 0 && speed != 0xFFFF) w.Set(name, hx::Format("%u MT/s", speed));
}

void DecodeMemoryDevice(const StructureC& s, RecordWriterC& w) {
  if (!s.Has(0x04, 0x11)) return;  // the 2.1 structure ends at 0x15
  w.Handle("Array Handle", 0x04);
  w.Count("Total Width", s.Word(0x08), " bits", true);
  w.Count("Data Width", s.Word(0x0A), " bits", true);
  w.Set("Size", MemorySize(s));
  w.Set("Form Factor", Named(c_FormFactors, s.Byte(0x0E)));
  w.String("Locator", 0x10);
  w.String("Bank Locator", 0x11);
  w.Set("Type", Named(c_MemoryTypes, s.Byte(0x12)));
  Speed(s, w, "Speed", 0x15, 0x54);
  if (!s.Has(0x17, 4)) return;
  w.String("Manufacturer", 0x17);
  w.String("Serial Number", 0x18);
  w.String("Asset Tag", 0x19);
  w.String("Part Number", 0x1A);
  if (s.Has(0x1B, 1)) w.Count("Rank", s.Byte(0x1B) & 0x0F, "");
  Speed(s, w, "Configured Memory Speed", 0x20, 0x58);
}

struct TitleT {
  int type;
  const char* title;
};
constexpr TitleT c_Titles[] = {{c_TypeBios, "BIOS Information"},           {c_TypeSystem, "System Information"},
                               {c_TypeBoard, "Base Board Information"},    {c_TypeChassis, "Chassis Information"},
                               {c_TypeProcessor, "Processor Information"}, {c_TypeMemoryDevice, "Memory Device"}};

RefM<SMBiosDataC> Decode(int type, unsigned handle, const StructureC& s, uint32_t version) {
  const TitleT* title = nullptr;
  for (const TitleT& t : c_Titles) {
    if (t.type == type) title = &t;
  }
  if (title == nullptr) return RefM<SMBiosDataC>();
  RefM<SMBiosDataC> record(new SMBiosDataC);
  record->SetType(type);
  record->SetHandle(hx::Format("0x%04X", handle));
  record->SetName(title->title);
  RecordWriterC w(record, s);
  switch (type) {
    case c_TypeBios:
      DecodeBios(s, w);
      break;
    case c_TypeSystem:
      DecodeSystem(s, w, version);
      break;
    case c_TypeBoard:
      DecodeBoard(s, w);
      break;
    case c_TypeChassis:
      DecodeChassis(s, w);
      break;
    case c_TypeProcessor:
      DecodeProcessor(s, w);
      break;
    default:
      DecodeMemoryDevice(s, w);
      break;
  }
  return record;
}

}  // namespace

bool ParseSMBiosEntryPoint(std::string_view b, SMBiosEntryT& entry) {
  entry = SMBiosEntryT();
  if (hx::StartsWith(b, c_Anchor3)) {
    const size_t length = b.size() > 0x06 ? static_cast<uint8_t>(b[0x06]) : 0;
    if (length < c_Entry3Min || length > c_EntryMax || b.size() < length || !ChecksumAddsUp(b.substr(0, length)))
      return false;
    entry.version = static_cast<uint32_t>(LittleEndian(b, 0x07, 1) << 16 | LittleEndian(b, 0x08, 1) << 8 |
                                          LittleEndian(b, 0x09, 1));
    entry.tableLength = static_cast<uint32_t>(LittleEndian(b, 0x0C, 4));
    entry.tableAddress = LittleEndian(b, 0x10, 8);
    return true;
  }
  size_t legacy = 0;
  if (hx::StartsWith(b, c_Anchor2)) {
    const size_t length = b.size() > 0x05 ? static_cast<uint8_t>(b[0x05]) : 0;
    if (length < c_Entry2Min || length > c_EntryMax || b.size() < std::max(length, c_Entry2Legacy + c_LegacyEntry) ||
        !ChecksumAddsUp(b.substr(0, length)))
      return false;
    legacy = c_Entry2Legacy;
    entry.version = static_cast<uint32_t>(LittleEndian(b, 0x06, 1) << 16 | LittleEndian(b, 0x07, 1) << 8);
    if (entry.version == 0x021F00 || entry.version == 0x022100) entry.version = 0x020300;
    if (entry.version == 0x023300) entry.version = 0x020600;
  }
  const std::string_view dmi = b.substr(std::min(legacy, b.size()));
  if (!hx::StartsWith(dmi, c_AnchorLegacy) || dmi.size() < c_LegacyEntry ||
      !ChecksumAddsUp(dmi.substr(0, c_LegacyEntry)))
    return false;
  // A bare legacy entry point gives its version in BCD ("0x21" is 2.1).
  if (legacy == 0) {
    const unsigned bcd = static_cast<uint8_t>(dmi[0x0E]);
    entry.version = (bcd >> 4) << 16 | (bcd & 0x0F) << 8;
  }
  entry.tableLength = static_cast<uint32_t>(LittleEndian(dmi, 0x06, 2));
  entry.tableAddress = LittleEndian(dmi, 0x08, 4);
  entry.structures = static_cast<uint32_t>(LittleEndian(dmi, 0x0C, 2));
  return true;
}

SMBiosRecordsT ParseSMBiosTable(std::string_view table, const SMBiosEntryT& entry) {
  SMBiosRecordsT records;
  size_t at = 0;
  for (uint32_t count = 0; at + c_HeaderLength <= table.size(); ++count) {
    if (entry.structures != 0 && count >= entry.structures) break;
    const int type = static_cast<uint8_t>(table[at]);
    const size_t length = static_cast<uint8_t>(table[at + 1]);
    if (length < c_HeaderLength || at + length > table.size()) break;
    // The strings end with an empty one: two zero bytes (also when there are none).
    size_t end = at + length;
    while (end + 1 < table.size() && (table[end] != '\0' || table[end + 1] != '\0')) ++end;
    if (end + 1 >= table.size()) break;
    if (type == c_TypeEndOfTable) break;
    const StructureC s(table.substr(at, length), table.substr(at + length, end - at - length));
    if (type != c_TypeInactive) {
      if (RefM<SMBiosDataC> record =
              Decode(type, static_cast<unsigned>(LittleEndian(table, at + 2, 2)), s, entry.version))
        records.push_back(record);
    }
    at = end + 2;
  }
  return records;
}

int64_t SMBiosSizeBytes(std::string_view text) {
  const std::string_view t = hx::TrimView(text);
  const size_t blank = t.find(' ');
  uint64_t figure = 0;
  if (blank == std::string_view::npos || !hx::ParseUInt64(t.substr(0, blank), figure)) return -1;
  const std::string_view unit = hx::TrimView(t.substr(blank));
  for (size_t power = 0; power < std::size(c_SizeUnits) - 1; ++power) {
    if (unit != c_SizeUnits[power]) continue;
    const uint64_t scale = uint64_t{1} << (10 * power);
    return figure > static_cast<uint64_t>(INT64_MAX) / scale ? -1 : static_cast<int64_t>(figure * scale);
  }
  return -1;
}

}  // namespace hxlinux
