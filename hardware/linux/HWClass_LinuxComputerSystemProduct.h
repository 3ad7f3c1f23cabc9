#pragma once
// HWClass_LinuxComputerSystemProduct (provider "LinuxComputerSystemProduct"): the machine as
// its maker sells it, from the SMBIOS system structure (LinuxSMBios.h). One instance named by
// the product name (or the manufacturer when the firmware names no product), none on a
// machine without SMBIOS:
//
//   Name                 the product name ("ThinkPad T490")
//   Vendor, Version      the manufacturer and the product's version
//   IdentifyingNumber    the serial number     } only root may read them: an ordinary
//   UUID                 the system's UUID     } user's run leaves them out (NeedsRoot)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxComputerSystemProduct : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxComputerSystemProduct() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxComputerSystemProduct, "ZOR.hX.Tracker.LinuxComputerSystemProduct.1")
