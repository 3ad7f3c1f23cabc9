#pragma once
// HWClass_SolarisComputerSystemProduct: the product the machine is, one instance named by its
// model, with its platform type, the number that identifies it (the chassis serial number
// where the eeprom sets one, else the host id) and the host id.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/solaris/identity/HWClass_Solaris.h"

class HWClass_SolarisComputerSystemProduct : public HWClass_Solaris {
 public:
  static constexpr const char* c_Type = "Type";
  static constexpr const char* c_IdentifyingNumber = "IdentifyingNumber";
  static constexpr const char* c_HostID = "HostID";

  // One instance named by GetHardwareModel, appended; the result of PopulateInstance.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

  // The chassis serial number; else the hardware serial as sysinfo gives it; else the host id
  // in decimal.
  static StringC IdentifyingNumberFrom(const StringC& chassisSerial, const StringC& hwSerial, uint32_t hostId);

 protected:
  ~HWClass_SolarisComputerSystemProduct() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisComputerSystemProduct, "ZOR.hX.Tracker.SolarisComputerSystemProduct.1")
