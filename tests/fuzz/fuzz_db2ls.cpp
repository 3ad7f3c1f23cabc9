// Arbitrary bytes as `db2ls -c` output and as the process listing: a table has one row per
// non-empty line after its header, and every property comes from a non-empty field; the
// owners are trimmed, non-empty parts of the listing's engine lines.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/core/Text.h"
#include "hardware/unix/Db2Parsers.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckTable(const StringArrayC& lines) {
  hx::Db2lsTableC table;
  const hx::Db2lsReadE read = hx::ReadDb2lsTable(lines, table);
  size_t nonEmpty = 0;
  for (const StringC& line : lines) nonEmpty += line.empty() ? 0 : 1;
  if (read != hx::Db2lsReadE::Ok) {
    Check(table.rows.empty());
    return;
  }
  Check(table.rows.size() == (nonEmpty == 0 ? 0 : nonEmpty - 1));
  for (const StringArrayC& row : table.rows) {
    const hx::Db2PropertiesT properties = hx::Db2InstallationProperties(table.columns, row);
    Check(properties.size() <= table.columns.size());
    for (const auto& property : properties) Check(!property.second.empty());
  }
}

void CheckOwners(const StringArrayC& lines, hx::Db2PsFormatE format) {
  StringArrayC owners;
  StringC bad;
  const bool ok = hx::ReadDb2Owners(lines, format, owners, bad);
  Check(ok ? bad.empty() : bad.find("db2sysc") != StringC::npos);
  for (const StringC& owner : owners) Check(!owner.empty() && hx::Trim(owner) == owner);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(std::string(reinterpret_cast<const char*>(data), size));
  CheckTable(lines);
  CheckOwners(lines, hx::Db2PsFormatE::Columns);
  CheckOwners(lines, hx::Db2PsFormatE::Colon);
  return 0;
}
