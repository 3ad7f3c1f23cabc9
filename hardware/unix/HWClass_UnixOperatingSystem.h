#pragma once
// HWClass_UnixOperatingSystem: the operating system as uname reports it (or the machine
// snapshot, when a system root is set): one instance named by the system name ("SunOS").

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_UnixOperatingSystem : public HWClass_Unix {
 public:
  static constexpr const char* c_CSName = "CSName";
  static constexpr const char* c_OSType = "OSType";
  // The instance name when uname gives no system name.
  static constexpr const char* c_UnknownSystem = "UNKNOWN";

  // One instance, appended; the result of PopulateInstance.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name", "CSName" (the MachineName preference), "OSType" (the type code in decimal),
  // "Version" ("major.minor" of the release, 5.10) and "Caption" ("SunOS 5.10").
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

 protected:
  ~HWClass_UnixOperatingSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(UnixOperatingSystem, "ZOR.hX.Tracker.UnixOperatingSystem.1")
