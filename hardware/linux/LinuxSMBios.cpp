#include "hardware/linux/LinuxSMBios.h"

#include <unistd.h>

#include "hardware/linux/HWClass_Linux.h"
#include "hardware/linux/SMBiosTable.h"
#include "hardware/unix/SMBiosSysfs.h"

namespace hxlinux {
namespace {

constexpr uint32_t c_CurrentVersion = 0x030000;

}  // namespace

LinuxSMBiosC::LinuxSMBiosC(const MachineTreeC& tree) : tree_(tree) {
  std::string entryBytes;
  std::string table;
  if (tree.Read(c_TableFile, table)) {
    // A table whose entry point is missing (a capture that kept the table alone) is read by
    // the rules of the newest table version: its structures carry their own lengths, and only
    // the byte order of a UUID written before version 2.6 would come out otherwise.
    SMBiosEntryT entry;
    if (!tree.Read(c_EntryPointFile, entryBytes) || !ParseSMBiosEntryPoint(entryBytes, entry))
      entry = SMBiosEntryT{c_CurrentVersion, 0, 0, 0};
    records_ = ParseSMBiosTable(table, entry);
    fromTables_ = !records_.empty();
  }
  if (fromTables_) return;
  records_ = hx::ReadDmiSysfs(hx::c_DmiSysfsDir,
                              [&tree](const std::string& path, std::string& text) { return tree.Read(path, text); });
}

bool LinuxSMBiosC::TablesNeedRoot() const { return !fromTables_ && ::geteuid() != 0 && tree_.Exists(c_TableFile); }

std::vector<RefM<SMBiosDataC>> LinuxSMBiosC::OfType(int type) const {
  std::vector<RefM<SMBiosDataC>> found;
  for (const RefM<SMBiosDataC>& record : records_) {
    if (record->GetType() == type) found.push_back(record);
  }
  return found;
}

std::string LinuxSMBiosC::Value(int type, const char* name) const {
  for (const RefM<SMBiosDataC>& record : records_) {
    if (record->GetType() == type) return record->GetValue(name);
  }
  return std::string();
}

std::string LinuxSMBiosC::RootValue(int type, const char* name, const char* sysfsFile, const char* what) const {
  const std::string value = Value(type, name);
  if (value.empty() && !fromTables_ && tree_.Exists(std::string(hx::c_DmiSysfsDir) + "/" + sysfsFile))
    HWClass_Linux::NeedsRoot(what);
  return value;
}

}  // namespace hxlinux
