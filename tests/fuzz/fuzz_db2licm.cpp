// Arbitrary bytes as `db2licm -l` output: there is always a first record, no record holds
// more than eight values, and no more records than the output has empty lines, plus one.

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(std::string(reinterpret_cast<const char*>(data), size));
  const std::vector<StringArrayC> records = hx::ReadDb2Licences(lines);
  size_t emptyish = 0;
  for (const StringC& line : lines) emptyish += line.find_first_not_of(" \t\r\n'\"") == StringC::npos ? 1 : 0;
  Check(!records.empty() && records.size() <= emptyish + 1);
  for (const StringArrayC& record : records) {
    Check(record.size() <= hx::c_Db2LicenceFields);
    for (const StringC& value : record) Check(value.empty() || (value.front() != ' ' && value.back() != ' '));
  }
  return 0;
}
