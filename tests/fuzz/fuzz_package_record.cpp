// Arbitrary bytes as a package database record: a record that reads back is written again as
// the same bytes it was read from (without what followed its third field), and a version read
// from any field orders equal to itself, and the order of two fields is antisymmetric.

#include "FuzzSupport.h"
#include "packages/model/PackageRecord.h"
#include "packages/model/PackageVersion.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = hxfuzz::Text(data, size);
  trk::PackageRecordT record;
  if (!trk::DeserialisePackageRecord(bytes, &record)) return 0;
  const std::string again = trk::SerialisePackageRecord(record);
  Check(again.size() <= bytes.size() && bytes.compare(0, again.size(), again) == 0);
  const PackageVersionC version(record.version);
  Check(version.compare(PackageVersionC(record.version)) == 0);
  Check(PackageVersionC::compare(record.name, record.version) == -PackageVersionC::compare(record.version, record.name));
  return 0;
}
