// Arbitrary bytes as `db2ls -c` output and as the process listing: a table has one row per
// non-empty line after its header, every property comes from a non-empty field, and owners
// are trimmed (empty where ps padded the user column on the left).

#include "FuzzSupport.h"
#include "hardware/unix/Db2Parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(hxfuzz::Text(data, size));
  size_t nonEmpty = 0;
  for (const StringC& line : lines) nonEmpty += line.empty() ? 0 : 1;
  hx::Db2lsTableC table;
  if (hx::ReadDb2lsTable(lines, table) == hx::Db2lsReadE::Ok && table.rows.size() != (nonEmpty > 0 ? nonEmpty - 1 : 0))
    std::abort();
  for (const StringArrayC& row : table.rows) {
    for (const auto& property : hx::Db2InstallationProperties(table.columns, row))
      if (property.second.empty()) std::abort();
  }
  for (hx::Db2PsFormatE format : {hx::Db2PsFormatE::Columns, hx::Db2PsFormatE::Colon}) {
    StringArrayC owners;
    StringC bad;
    if (!hx::ReadDb2Owners(lines, format, owners, bad) && bad.find("db2sysc") == StringC::npos) std::abort();
    for (const StringC& owner : owners)
      if (hx::Trim(owner) != owner) std::abort();
  }
  return 0;
}
