#pragma once
// HWClass_SolarisPhysicalMemory: the machine's memory as one instance "Memory" whose
// "Capacity" is the number of physical pages times the page size, in bytes.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_SolarisPhysicalMemory : public HWClass_Unix {
 public:
  static constexpr const char* c_InstanceName = "Memory";
  static constexpr const char* c_Capacity = "Capacity";

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name" and "Capacity" (left out when the page size or count is not known).
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

  // pages × pageSize in 64 bits as decimal text; "" when either is not positive or the product
  // does not fit.
  static StringC CapacityText(int64_t pages, int64_t pageSize);

 protected:
  ~HWClass_SolarisPhysicalMemory() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisPhysicalMemory, "ZOR.hX.Tracker.SolarisPhysicalMemory.1")
