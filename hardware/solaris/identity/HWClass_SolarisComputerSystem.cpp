#include "hardware/solaris/identity/HWClass_SolarisComputerSystem.h"

#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "hardware/solaris/topology/Virtualization.h"

hx::ResultT HWClass_SolarisComputerSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_UnixComputerSystem::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  instance->AddProperty(c_Manufacturer, HWClass_Solaris::GetHardwareManufacturer());
  instance->AddProperty(c_Model, HWClass_Solaris::GetHardwareModel());
  PopulateVirtualizationProperties(instance);
  return r;
}

void HWClass_SolarisComputerSystem::PopulateVirtualizationProperties(RefM<HWInstance> instance) {
  const ZoneInfoC& zone = ZoneInfoC::Instance();
  // Outside a zone there is nothing to say, and the pool configuration is not even opened.
  if (!instance || zone.zoneName().empty()) return;
  std::optional<LibPoolPoolC> pool;
  if (RefM<LibPoolSystemC> pools = LibPoolSystemC::createLibPoolSystem()) pool = pools->currentProcessPool();
  hxsol::AddVirtualizationProperties(*instance, zone, KStatCpuInfoC::Instance(), pool);
}
