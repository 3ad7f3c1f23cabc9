// Arbitrary bytes as an SMBIOS dump (the entry point, then the table where it says) and as a
// bare table: only the decoded structure types come out, each with its handle written as
// "0x" and four digits, every value non-empty, trimmed, valid UTF-8 and free of control
// characters, and no more records than the table has room for headers.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "hardware/linux/SMBiosTable.h"

using hxfuzz::Check;

static void CheckRecords(std::string_view table, const hxlinux::SMBiosEntryT& entry) {
  const SMBiosRecordsT records = hxlinux::ParseSMBiosTable(table, entry);
  Check(records.size() <= table.size() / 4);
  for (const RefM<SMBiosDataC>& r : records) {
    const int type = r->GetType();
    Check((type >= 0 && type <= 4) || type == 17);
    Check(r->GetHandle().size() == 6 && hx::StartsWith(r->GetHandle(), "0x"));
    for (const auto& [name, value] : r->GetValues()) {
      Check(!name.empty() && !value.empty() && hx::IsValidUtf8(value) && hx::Trim(value) == value);
      for (const char c : value) Check(static_cast<uint8_t>(c) >= 0x20 && c != 0x7F);
      hxlinux::SMBiosSizeBytes(value);
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = hxfuzz::Text(data, size);
  hxlinux::SMBiosEntryT entry;
  if (hxlinux::ParseSMBiosEntryPoint(bytes, entry) && entry.tableAddress < bytes.size())
    CheckRecords(std::string_view(bytes).substr(entry.tableAddress, entry.tableLength), entry);
  // The table alone, read as each version of the table format would.
  for (const uint32_t version : {0x020300u, 0x020700u, 0x030300u})
    CheckRecords(bytes, hxlinux::SMBiosEntryT{version, 0, 0, 0});
  return 0;
}
