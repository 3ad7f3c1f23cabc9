#pragma once
// HWClass_SolarisComputerSystem: the computer system of a Solaris machine: the generic one
// with the machine's make and model, and the virtualisation properties of the zone and the
// resource pool the tracker runs in.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"

class HWClass_SolarisComputerSystem : public HWClass_UnixComputerSystem {
 public:
  static constexpr const char* c_Manufacturer = "Manufacturer";
  static constexpr const char* c_Model = "Model";

  // The generic properties, "Manufacturer", "Model", then the virtualisation properties. The
  // result of the generic part.
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;
  // The zone of the tracker, the machine's capacity and the share its pool gives it.
  void PopulateVirtualizationProperties(RefM<HWInstance> instance);

 protected:
  ~HWClass_SolarisComputerSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisComputerSystem, "ZOR.hX.Tracker.SolarisComputerSystem.1")
