#pragma once
// The record the package database keeps for every path a package owns: three fields, the
// package type ("SUNPKG", "IPS", "IA", "BEA", ...), the package name and the version in its
// full display form, each written as a 16-bit little-endian byte count followed by that many
// UTF-8 bytes, without terminators.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"

namespace trk {

// The longest field a record can hold.
constexpr size_t c_MaxRecordField = UINT16_MAX;

struct PackageRecordT {
  std::string type;
  std::string name;
  std::string version;
};

// The record's bytes; empty when a field is longer than c_MaxRecordField (such a package is
// not entered).
std::string SerialisePackageRecord(const PackageRecordT& record);
// Reads a record back. False when the bytes end inside a field; bytes after the third field are
// not part of the record and are ignored.
HX_NODISCARD bool DeserialisePackageRecord(std::string_view data, PackageRecordT* record);

}  // namespace trk
