#pragma once
// SMBiosInfoC: the machine's SMBIOS (DMI) table, read once per process by running the dmidecode
// tool, for the providers that report the BIOS, the computer system, its product and its
// enclosure.
//
// Use from a provider:
//     SMBiosInfoC& smbios = SMBiosInfoC::Instance();        // the first call runs the tool
//     if (RefM<SMBiosDataC> chassis = smbios.findDMI(SMBiosInfoC::c_TypeChassis)) {
//       StringC type = chassis->GetValue("Type");              // "Rack Mount Chassis"
//       int id = SMBiosInfoC::ChassisNameToID(type);           // 23
//     }
//     StringC vendor = smbios.getDMIValue(SMBiosInfoC::c_TypeBIOS, "Vendor");
// A fixture machine without a usable tool gives an empty table (a live host falls back on the
// values its kernel publishes, SMBiosSysfs.h): every look-up gives nothing, and no
// message is written (the SMBIOS-based properties are simply left out).

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "hardware/unix/SMBiosData.h"
#include "hardware/unix/SMBiosParser.h"

class SMBiosInfoC {
 public:
  // Structure types the providers ask for.
  static constexpr int c_TypeBIOS = 0;
  static constexpr int c_TypeSystem = 1;
  static constexpr int c_TypeChassis = 3;

  // The tools tried, in this order: the system's, the agent's own copy below its installation
  // directory, and last whichever the PATH finds.
  static constexpr const char* c_SystemTool = "/usr/sbin/dmidecode";
  static constexpr const char* c_AgentToolBelowInstallDir = "/libexec/tvkdmidecode";
  static constexpr const char* c_PathTool = "dmidecode";

  // The process's table; the first call reads it (DMIDecode) and it is kept until exit.
  static SMBiosInfoC& Instance();

  // Reads the table now. Instance() is what providers use; a separate object serves where the
  // machine is not the process's (tests with a fixture machine).
  SMBiosInfoC();
  SMBiosInfoC(const SMBiosInfoC&) = delete;
  SMBiosInfoC& operator=(const SMBiosInfoC&) = delete;

  // True when a tool run succeeded.
  bool IsAvailable() const { return available_; }
  const SMBiosRecordsT& GetRecords() const { return records_; }

  // The first record (in output order) of the structure type; empty when there is none.
  RefM<SMBiosDataC> findDMI(int type) const;
  // The value `name` of that record; "" when there is no such record or value.
  StringC getDMIValue(int type, const StringC& name) const;
  // See hx::ChassisNameToID: "Rack Mount Chassis" (any case) is 23, an unknown name 2.
  static int ChassisNameToID(const StringC& name) { return hx::ChassisNameToID(name); }

  // Runs the candidate tools in order until one succeeds: each of the first two only when it
  // exists as a file, the one on the PATH when neither did; its result is then the result.
  // Sets the availability flag from the result. When no tool succeeded on the live host (no
  // system root), the records are those the kernel publishes (hx::ReadDmiSysfs).
  HX_NODISCARD hx::ResultT DMIDecode();
  // Runs the tool at `path` and, when it exits with status 0, replaces the records with what
  // it printed. 1 for another exit status, a runner failure as it is; the records are then
  // left as they were.
  HX_NODISCARD hx::ResultT DMIDecodeRun(const StringC& path);
  // Forgets the table and reads it again, for a process whose machine changed (tests).
  HX_NODISCARD hx::ResultT Reload();

 private:
  bool available_ = false;
  SMBiosRecordsT records_;
};
