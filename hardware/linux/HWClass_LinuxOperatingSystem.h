#pragma once
// HWClass_LinuxOperatingSystem (provider "LinuxOperatingSystem"): the
// distribution and kernel as a Linux administrator reads them. One instance
// named by the kernel's system name ("Linux"):
//
//   Caption          the distribution's PRETTY_NAME ("Debian GNU/Linux 12
//   (bookworm)"), from
//                    /etc/os-release (or /usr/lib/os-release); NAME VERSION
//                    without it
//   Version          its VERSION_ID ("12")
//   CSName, OSType   the MachineName preference; 36 (Linux)
//   KernelRelease    /proc/sys/kernel/osrelease ("6.1.0-26-amd64")
//   OSArchitecture   /proc/sys/kernel/arch, or the live host's machine name
//   ("x86_64") LastBootUpTime   /proc/stat's btime as local ISO date and time
//   TimeZone         /etc/timezone, or the zone that /etc/localtime links to
//   ("Europe/Paris") TotalVisibleMemorySize, FreePhysicalMemory
//                    MemTotal and MemFree of /proc/meminfo, in kilobytes (as the class counts)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxOperatingSystem : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

 protected:
  ~HWClass_LinuxOperatingSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxOperatingSystem, "ZOR.hX.Tracker.LinuxOperatingSystem.1")
