#include "hardware/unix/SMBiosSysfs.h"

#include "hardware/unix/SMBiosParser.h"
#include "platform/MachineFile.h"

namespace {

struct FieldT {
  const char* file;
  const char* value;
};

struct RecordT {
  int type;
  const char* title;
  std::initializer_list<FieldT> fields;
};

const RecordT c_Records[] = {
    {0, "BIOS Information", {{"bios_vendor", "Vendor"}, {"bios_version", "Version"}, {"bios_date", "Release Date"}}},
    {1,
     "System Information",
     {{"sys_vendor", "Manufacturer"},
      {"product_name", "Product Name"},
      {"product_version", "Version"},
      {"product_serial", "Serial Number"},
      {"product_uuid", "UUID"}}},
    {2,
     "Base Board Information",
     {{"board_vendor", "Manufacturer"},
      {"board_name", "Product Name"},
      {"board_version", "Version"},
      {"board_serial", "Serial Number"},
      {"board_asset_tag", "Asset Tag"}}},
    {3,
     "Chassis Information",
     {{"chassis_vendor", "Manufacturer"},
      {"chassis_type", "Type"},
      {"chassis_version", "Version"},
      {"chassis_serial", "Serial Number"}}},
};
constexpr const char* c_ChassisTypeValue = "Type";

}  // namespace

namespace hx {

SMBiosRecordsT ReadDmiSysfs(const std::string& dir) { return ReadDmiSysfs(dir, ReadHostFile); }

SMBiosRecordsT ReadDmiSysfs(const std::string& dir, const DmiFileReaderT& read) {
  SMBiosRecordsT records;
  for (const RecordT& r : c_Records) {
    RefM<SMBiosDataC> record(new SMBiosDataC);
    for (const FieldT& f : r.fields) {
      std::string text;
      if (!read(dir + "/" + f.file, text)) continue;
      std::string value = Trim(ToValidUtf8(text));
      int64_t chassis = 0;
      // The kernel gives the chassis type as its number; dmidecode prints its name.
      if (std::string_view(f.value) == c_ChassisTypeValue && ParseInt64(value, chassis))
        value = ChassisIDToName(static_cast<int>(chassis));
      record->SetValue(f.value, value);
    }
    if (record->GetValues().empty()) continue;
    record->SetType(r.type);
    record->SetName(r.title);
    records.push_back(record);
  }
  return records;
}

}  // namespace hx
