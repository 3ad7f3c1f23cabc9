#pragma once
// HWClass_LinuxBIOS (provider "LinuxBIOS"): the firmware, from the SMBIOS BIOS structure
// (LinuxSMBios.h). One instance named by its vendor (or its version when the firmware names no
// vendor), none on a machine without SMBIOS:
//
//   Manufacturer, Version   the vendor and the version
//   ReleaseDate             the release date as the BIOS class writes it ("20200921T000000",
//                           HWClass_Unix::ToIsoDateTime)
//   SerialNumber            the system's serial number, which only root may read (an ordinary
//                           user's run leaves it out: NeedsRoot)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxBIOS : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxBIOS() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxBIOS, "ZOR.hX.Tracker.LinuxBIOS.1")
