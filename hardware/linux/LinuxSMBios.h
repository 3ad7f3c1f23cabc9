#pragma once
// LinuxSMBiosC: the machine's SMBIOS data as the Linux providers read it. The firmware's own
// tables (/sys/firmware/dmi/tables, decoded by SMBiosTable.h) when they can be read, which
// needs root (a table whose entry point is missing is read by the rules of the newest
// table version); else the values the kernel copies out of them into /sys/class/dmi/id
// (SMBiosSysfs.h), most of which anyone may read. Those files lack the memory devices and the
// processors, and the serial numbers and UUID among them are root's alone: a value missing
// for that reason is noted with NeedsRoot by the provider that wanted it (RootValue).
//
// A machine without SMBIOS (most ARM boards, some virtual machines) has neither: every look-up
// gives nothing, and nothing is noted.

#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "hardware/linux/MachineTree.h"
#include "hardware/unix/SMBiosData.h"

namespace hxlinux {

class LinuxSMBiosC {
 public:
  static constexpr const char* c_EntryPointFile = "/sys/firmware/dmi/tables/smbios_entry_point";
  static constexpr const char* c_TableFile = "/sys/firmware/dmi/tables/DMI";

  static constexpr int c_TypeBios = 0;
  static constexpr int c_TypeSystem = 1;
  static constexpr int c_TypeBoard = 2;
  static constexpr int c_TypeChassis = 3;
  static constexpr int c_TypeProcessor = 4;
  static constexpr int c_TypeMemoryDevice = 17;

  // Reads the data of the machine under `tree`.
  explicit LinuxSMBiosC(const MachineTreeC& tree);

  // True when the records come from the tables themselves.
  HX_NODISCARD bool FromTables() const { return fromTables_; }
  // True when the machine has tables that this process may not read.
  bool TablesNeedRoot() const;
  const SMBiosRecordsT& Records() const { return records_; }

  // The records of a structure type, in table order.
  std::vector<RefM<SMBiosDataC>> OfType(int type) const;
  // The value `name` of the first record of the type; "" when there is none.
  std::string Value(int type, const char* name) const;
  // The same for a value that only root may read outside the tables: when it is missing and
  // the kernel's file `sysfsFile` (under /sys/class/dmi/id) exists, notes `what` with
  // NeedsRoot (which notes nothing for root).
  std::string RootValue(int type, const char* name, const char* sysfsFile, const char* what) const;

 private:
  const MachineTreeC& tree_;
  bool fromTables_ = false;
  SMBiosRecordsT records_;
};

}  // namespace hxlinux
