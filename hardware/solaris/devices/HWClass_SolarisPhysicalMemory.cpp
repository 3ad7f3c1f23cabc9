#include "hardware/solaris/devices/HWClass_SolarisPhysicalMemory.h"

#include <cstdint>

#include "platform/SysInfo.h"

hx::ResultT HWClass_SolarisPhysicalMemory::GetInventory(HWInstanceListT& instances, StringC className,
                                                        const PropertyMap& /*parameters*/) {
  return AddSingleInstance(instances, className, c_InstanceName);
}

hx::ResultT HWClass_SolarisPhysicalMemory::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  instance->AddProperty(c_Capacity, CapacityText(hx::SysConfValue(hx::SysConfE::PhysPages),
                                                 hx::SysConfValue(hx::SysConfE::PageSize)));
  return r;
}

StringC HWClass_SolarisPhysicalMemory::CapacityText(int64_t pages, int64_t pageSize) {
  if (pages <= 0 || pageSize <= 0 || pages > INT64_MAX / pageSize) return StringC();
  return std::to_string(pages * pageSize);
}
