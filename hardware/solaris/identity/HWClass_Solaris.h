#pragma once
// HWClass_Solaris: the base of the Solaris providers that name the machine. It combines the
// sources a Solaris machine offers for its make and model, in the order they are trusted: the
// SMBIOS system record, the PROM's banner, and the platform name that sysinfo reports
// ("SUNW,Sun-Fire-V240"); and it reads the chassis serial number that the eeprom's nvramrc
// script may set.

#include "hardware/framework/HWClass_Unix.h"
#include "platform/SysInfo.h"

class HWClass_Solaris : public HWClass_Unix {
 public:
  // The eeprom tool and the name of its variable that holds the PROM script.
  static constexpr const char* c_EepromTool = "/usr/sbin/eeprom";
  static constexpr const char* c_NvramrcVariable = "nvramrc";

  // The PROM root node's "banner-name"; "" when the PROM cannot be read.
  static StringC GetBannerName();
  // The model, computed at the first call and kept (ModelFrom of the machine's sources).
  static StringC GetHardwareModel();
  // The manufacturer, computed at the first call and kept (ManufacturerFrom).
  static StringC GetHardwareManufacturer();
  // The serial number the eeprom's nvramrc sets; "" without the tool or when it fails.
  StringC GetChassisSerialNumber();

  // A sysinfo text as the providers use it (at most one 128-byte buffer, read as ISO-8859-1,
  // trimmed); "" when the call fails.
  static StringC SysInfoString(hx::SysInfoE command);

  // The SMBIOS product name; else the banner; else the platform name without a leading
  // "SUNW," and with blanks for "-" (SUNW,Sun-Fire-V240 is Sun Fire V240).
  static StringC ModelFrom(const StringC& smbiosProduct, const StringC& banner, const StringC& platform);
  // The SMBIOS manufacturer; else the hardware provider; else the model.
  static StringC ManufacturerFrom(const StringC& smbiosManufacturer, const StringC& provider, const StringC& model);
  // The platform name without a leading "SUNW,".
  static StringC PlatformType(const StringC& platform);
  // The serial number in eeprom nvramrc output: every line split at blanks, "=" and '"' (empty
  // fields dropped); the field after a "ChassisSerialNumber" field (any letter case), the last
  // one found.
  static StringC ChassisSerialFromEeprom(const StringArrayC& lines);

 protected:
  ~HWClass_Solaris() override = default;
};

// The hardware serial (the host id) and the serial number the BIOS instance reports.
class HWClass_SolarisHardwareSerial {
 public:
  // The hardware serial of sysinfo as an 8-digit hexadecimal host id; "0" when sysinfo fails.
  static StringC getHWSerial();
  // With the zone identity of the tracker (GenerateBIOSSerialFrom).
  static StringC GenerateBIOSSerialNumber();

  // The decimal serial text as an 8-digit hexadecimal host id ("0" for failed).
  static StringC HWSerialFrom(bool ok, const StringC& serial);
  // Outside zones the host id; in a zone with an identifier that identifier; else the host id,
  // "-" and the zone name.
  static StringC GenerateBIOSSerialFrom(const StringC& hwSerial, const StringC& zoneName, const StringC& zoneId);
};
