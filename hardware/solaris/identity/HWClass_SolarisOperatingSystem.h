#pragma once
// HWClass_SolarisOperatingSystem: the generic operating system with what Solaris adds: the
// kernel's instruction set width (isainfo), the boot time (the age of /proc/0, the scheduler
// process that starts with the system) and the memory sizes in kilobytes.

#include <ctime>

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/HWClass_UnixOperatingSystem.h"

class HWClass_SolarisOperatingSystem : public HWClass_UnixOperatingSystem {
 public:
  static constexpr const char* c_IsainfoTool = "/usr/bin/isainfo";
  static constexpr const char* c_IsainfoKernelArgument = "-kv";
  static constexpr const char* c_SchedulerProcess = "/proc/0";
  static constexpr const char* c_OSArchitecture = "OSArchitecture";
  static constexpr const char* c_LastBootUpTime = "LastBootUpTime";
  static constexpr const char* c_TotalVisibleMemorySize = "TotalVisibleMemorySize";
  static constexpr const char* c_FreePhysicalMemory = "FreePhysicalMemory";

  // The generic properties, then "OSArchitecture", "LastBootUpTime", "TotalVisibleMemorySize"
  // and "FreePhysicalMemory". The result of the generic part.
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

  // The universal time text of a boot time; "" when it is not known (not above 0).
  static StringC BootTimeText(time_t bootTime);
  // pageSize / 1024 × pages as decimal text; "" when either is not known.
  static StringC KilobytesText(int64_t pageSize, int64_t pages);

 protected:
  ~HWClass_SolarisOperatingSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisOperatingSystem, "ZOR.hX.Tracker.SolarisOperatingSystem.1")
