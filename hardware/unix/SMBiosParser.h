#pragma once
// Reading the text that the dmidecode tool prints into SMBIOS records, and the chassis type
// names it prints back into their SMBIOS numbers. Pure functions over text.
//
// The output looks like
//     # dmidecode 3.0                          (header lines: ignored up to the first handle)
//     Handle 0x0300, DMI type 3, 22 bytes
//     Chassis Information                      (the title)
//             Manufacturer: Dell Inc.          (named values)
//             Characteristics:                 (a name with an empty value ...)
//                     PCI is supported         (... whose list items are not kept)
// and, from older tools, "Handle 0x0000" alone with "DMI type 0, 20 bytes." on the next line.

#include <string_view>

#include "foundation/core/Text.h"
#include "hardware/unix/SMBiosData.h"

namespace hx {

// One record per "Handle " line, in output order. Lines are stripped of blanks, tabs, CR and
// LF at both ends; empty lines and lines beginning with "#" are skipped. After a handle line
// the next line is the title, unless it begins with "DMI type " (which gives the type); then
// every line with a ":" after its first character is a value (name before the first ":",
// value after it, both stripped). A type that has no digits stays unknown. Output cut short
// gives the records read so far.
SMBiosRecordsT ParseDmiDecodeOutput(const StringArrayC& lines);

// The SMBIOS number of a chassis type name as dmidecode prints it ("Rack Mount Chassis" is
// 23), compared ignoring case; a name it does not know gives 2 (Unknown).
int ChassisNameToID(std::string_view name);
// The name dmidecode prints for a chassis type number; "Unknown" outside the table.
std::string ChassisIDToName(int id);

}  // namespace hx
