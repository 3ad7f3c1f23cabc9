// Arbitrary bytes as `db2licm -l` output: there is always a first record, no record holds
// more than eight values, and no more records than the output has empty lines, plus one.

#include "FuzzSupport.h"
#include "hardware/unix/Db2Parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringArrayC lines = hx::SplitLines(hxfuzz::Text(data, size));
  size_t empty = 0;
  for (const StringC& line : lines) empty += line.find_first_not_of(" \t\r\n'\"") == StringC::npos ? 1 : 0;
  const std::vector<StringArrayC> records = hx::ReadDb2Licences(lines);
  if (records.empty() || records.size() > empty + 1) std::abort();
  for (const StringArrayC& record : records) {
    if (record.size() > hx::c_Db2LicenceFields) std::abort();
    for (const StringC& value : record)
      if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) std::abort();
  }
  return 0;
}
