#include "hardware/solaris/identity/HWClass_SolarisComputerSystemProduct.h"

hx::ResultT HWClass_SolarisComputerSystemProduct::GetInventory(HWInstanceListT& instances, StringC className,
                                                               const PropertyMap& /*parameters*/) {
  return AddSingleInstance(instances, className, GetHardwareModel());
}

hx::ResultT HWClass_SolarisComputerSystemProduct::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Solaris::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  instance->AddProperty(c_Type, PlatformType(SysInfoString(hx::SysInfoE::Platform)));
  instance->AddProperty(c_IdentifyingNumber, IdentifyingNumberFrom(GetChassisSerialNumber(),
                                                                   SysInfoString(hx::SysInfoE::HwSerial), hx::HostId()));
  instance->AddProperty(c_HostID, HWClass_SolarisHardwareSerial::getHWSerial());
  return r;
}

StringC HWClass_SolarisComputerSystemProduct::IdentifyingNumberFrom(const StringC& chassisSerial,
                                                                    const StringC& hwSerial, uint32_t hostId) {
  if (!chassisSerial.empty()) return chassisSerial;
  return !hwSerial.empty() ? hwSerial : std::to_string(hostId);
}
