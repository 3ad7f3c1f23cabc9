#pragma once
// The SMBIOS values a Linux kernel publishes under /sys/class/dmi/id, as the records the
// dmidecode tool would print for them: BIOS (type 0: Vendor, Version, Release Date), system
// (type 1: Manufacturer, Product Name, Version, Serial Number, UUID), base board (type 2:
// Manufacturer, Product Name, Version, Serial Number, Asset Tag) and chassis (type 3:
// Manufacturer, Type, Version, Serial Number). The tables themselves need root to be read;
// most of these files do not, so a run without a usable dmidecode still knows the make and
// model of its host. A record none of whose files can be read is left out.

#include <functional>
#include <string>

#include "hardware/unix/SMBiosData.h"

namespace hx {

constexpr const char* c_DmiSysfsDir = "/sys/class/dmi/id";

// Reads one file: false when it is missing, unreadable or refused.
using DmiFileReaderT = std::function<bool(const std::string& path, std::string& text)>;

// The records of the files in `dir`, read as machine files (ReadHostFile).
SMBiosRecordsT ReadDmiSysfs(const std::string& dir);
// The same, each file read by `read` (a reader that resolves paths inside a captured machine).
SMBiosRecordsT ReadDmiSysfs(const std::string& dir, const DmiFileReaderT& read);

}  // namespace hx
