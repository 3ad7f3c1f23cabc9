#pragma once
// HWClass_LinuxSystemEnclosure (provider "LinuxSystemEnclosure"): the chassis, from the SMBIOS
// chassis structure (LinuxSMBios.h) rather than from a tool's printout. One instance named
// "sysenc", as the Unix enclosure names it, none on a machine without SMBIOS:
//
//   Manufacturer, Type      the chassis maker and its type ("Rack Mount Chassis")
//   ChassisTypes            the type's number (23), as the Unix enclosure gives it
//   SerialNumber            the chassis serial number, which only root may read (NeedsRoot)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxSystemEnclosure : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxSystemEnclosure() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxSystemEnclosure, "ZOR.hX.Tracker.LinuxSystemEnclosure.1")
