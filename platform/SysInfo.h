#pragma once
// What the identity and memory providers ask of the system information calls: sysinfo (the
// hardware serial, provider and platform name), gethostid, sysconf (page size and page counts),
// the root node of the PROM ("/dev/openprom") and the name of the current zone.
//
// With a system root each answers from a "name=value" file of the snapshot, and a missing file
// makes the call fail:
//   sysinfo   hw_serial=, hw_provider=, platform=, hostid= (decimal; a missing hostid gives 0)
//   sysconf   PAGESIZE=, PHYS_PAGES=, AVPHYS_PAGES=
//   openprom  root node properties, banner-name=...
//   zone      zonename=  (what getzonenamebyid(getzoneid()) gives)
// Without a root the host answers: sysinfo's serial is gethostid() in decimal and its platform
// the machine name of uname; the hardware provider has no source on Linux. There is no PROM on
// Linux, and the zone calls are looked up among the loaded objects, as on Solaris, where Linux
// has none.

#include <cstdint>
#include <string>

#include "foundation/core/Nodiscard.h"

namespace hx {

enum class SysInfoE { HwSerial, HwProvider, Platform };

// The text of a sysinfo command; false when the call fails.
HX_NODISCARD bool SysInfoText(SysInfoE command, std::string& text);
// The host id, 0 when it is not known.
uint32_t HostId();

enum class SysConfE { PageSize, PhysPages, AvPhysPages };

// The sysconf value; -1 when it is not known.
int64_t SysConfValue(SysConfE name);

// A string property of the PROM's root node ("banner-name"); false when the PROM cannot be
// opened or has no such property.
HX_NODISCARD bool PromRootProperty(const std::string& name, std::string& value);

// The current zone's name; false when the zone calls are not available or fail.
HX_NODISCARD bool CurrentZoneName(std::string& name);

}  // namespace hx
