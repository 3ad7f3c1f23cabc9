#include "foundation/core/Nodiscard.h"

#include "packages/model/PackageRecord.h"

namespace trk {

namespace {

constexpr unsigned c_ByteBits = 8;
constexpr unsigned c_ByteMask = 0xFF;
constexpr size_t c_CountBytes = 2;

void PutField(std::string& out, std::string_view field) {
  out.push_back(static_cast<char>(field.size() & c_ByteMask));
  out.push_back(static_cast<char>((field.size() >> c_ByteBits) & c_ByteMask));
  out.append(field);
}

HX_NODISCARD bool TakeField(std::string_view& data, std::string* field) {
  if (data.size() < c_CountBytes) return false;
  const size_t n = static_cast<unsigned char>(data[0]) | (size_t{static_cast<unsigned char>(data[1])} << c_ByteBits);
  data.remove_prefix(c_CountBytes);
  if (data.size() < n) return false;
  field->assign(data.substr(0, n));
  data.remove_prefix(n);
  return true;
}

}  // namespace

std::string SerialisePackageRecord(const PackageRecordT& record) {
  for (const std::string* f : {&record.type, &record.name, &record.version}) {
    if (f->size() > c_MaxRecordField) return std::string();
  }
  std::string out;
  out.reserve(3 * c_CountBytes + record.type.size() + record.name.size() + record.version.size());
  PutField(out, record.type);
  PutField(out, record.name);
  PutField(out, record.version);
  return out;
}

bool DeserialisePackageRecord(std::string_view data, PackageRecordT* record) {
  return TakeField(data, &record->type) && TakeField(data, &record->name) && TakeField(data, &record->version);
}

}  // namespace trk
