#pragma once
// HWClass_SolarisProcessor: one instance per processor chip of the machine's topology, named
// by the chip's brand, with its cores and hardware threads counted.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "hardware/solaris/topology/KStatCpuInfo.h"

class HWClass_SolarisProcessor : public HWClass_Solaris {
 public:
  static constexpr const char* c_Manufacturer = "Manufacturer";

  // The chips of the machine's topology (KStatCpuInfoC::Instance); the result of the last
  // PopulateInstance, 0 without chips.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

  // The instances of a given topology: "Name", "Description", "DeviceID" (CPU<chip id>),
  // "MaxClockSpeed", "Manufacturer", "NumberOfCores" and "NumberOfLogicalProcessors" (every
  // thread, on-line or not).
  HX_NODISCARD hx::ResultT AddChips(HWInstanceListT& instances, const StringC& className, const KStatCpuInfoC& cpus);

 protected:
  ~HWClass_SolarisProcessor() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisProcessor, "ZOR.hX.Tracker.SolarisProcessor.1")
