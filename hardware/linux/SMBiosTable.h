#pragma once
// The firmware's SMBIOS tables as the kernel publishes them (/sys/firmware/dmi/tables:
// smbios_entry_point and DMI, readable by root), decoded into the records the dmidecode reader
// gives (SMBiosData.h), with the titles and value names that tool prints: a provider written
// against one reads the other. Pure functions over bytes.
//
// Decoded structures, each with the values its length and the table's version carry:
//   0  BIOS Information          Vendor, Version, Release Date, Address, Runtime Size, ROM Size,
//                                BIOS Revision, Firmware Revision
//   1  System Information        Manufacturer, Product Name, Version, Serial Number, UUID,
//                                SKU Number, Family
//   2  Base Board Information    Manufacturer, Product Name, Version, Serial Number, Asset Tag,
//                                Location In Chassis, Type
//   3  Chassis Information       Manufacturer, Type, Lock, Version, Serial Number, Asset Tag,
//                                SKU Number
//   4  Processor Information     Socket Designation, Type, Manufacturer, ID, Version,
//                                External Clock, Max Speed, Current Speed, Status,
//                                Serial Number, Asset Tag, Part Number, Core Count,
//                                Core Enabled, Thread Count
//   17 Memory Device             Array Handle, Total Width, Data Width, Size, Form Factor,
//                                Locator, Bank Locator, Type, Speed, Manufacturer,
//                                Serial Number, Asset Tag, Part Number, Rank,
//                                Configured Memory Speed
// Other structures give no record. Values are written as the tool writes them ("16 GB",
// "3200 MT/s", "DDR4", "SODIMM", the UUID in lower case with its first three fields in the
// byte order of the table's version); a memory slot without a module has the size
// "No Module Installed". What the table does not state is left out rather than named: a
// string index of 0 or past the structure's strings, a speed or count of 0 ("Unknown"), a
// UUID of all zero or all 0xFF bits, a code outside the format's lists. Strings are
// trimmed, their control characters become '.', and bytes that are no UTF-8 are read as
// Latin-1.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "hardware/unix/SMBiosData.h"

namespace hxlinux {

// What an entry point says about its table.
struct SMBiosEntryT {
  // major << 16 | minor << 8 | document revision: 0x030101 for 3.1.1, 0x020700 for 2.7.
  uint32_t version = 0;
  // Where the table lies (in a dump file: its offset) and its length (for a 64-bit entry point
  // its largest size: the end-of-table structure ends it).
  uint64_t tableAddress = 0;
  uint32_t tableLength = 0;
  // The number of structures; 0 when the entry point does not count them.
  uint32_t structures = 0;
};

// Reads an entry point: "_SM3_" (64-bit), "_SM_" (32-bit, with its "_DMI_" part) or a bare
// legacy "_DMI_" one. False for anything else, or when it is cut short, its length is out of
// range or its checksum does not add up. The versions some firmware misreports (2.31 and 2.33
// for 2.3, 2.51 for 2.6) are corrected.
HX_NODISCARD bool ParseSMBiosEntryPoint(std::string_view bytes, SMBiosEntryT& entry);

// The records of the decoded structures of `table`, in table order. The walk stops at the
// end-of-table structure (127), after `entry.structures` structures when that is not 0, at a
// structure shorter than its 4-byte header, and before a structure cut short by the end of the
// bytes. Inactive structures (126) are skipped.
SMBiosRecordsT ParseSMBiosTable(std::string_view table, const SMBiosEntryT& entry);

// A size as the records write it ("16 GB", "8192 MB", "512 kB", "64 bytes") in bytes; -1 for
// anything else (no leading number, an unknown unit, a number that does not fit).
int64_t SMBiosSizeBytes(std::string_view text);

}  // namespace hxlinux
