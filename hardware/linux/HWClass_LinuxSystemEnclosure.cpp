#include "hardware/linux/HWClass_LinuxSystemEnclosure.h"

#include "hardware/linux/LinuxSMBios.h"
#include "hardware/unix/SMBiosParser.h"

using hxlinux::LinuxSMBiosC;

hx::ResultT HWClass_LinuxSystemEnclosure::GetInventory(HWInstanceListT& instances, StringC className,
                                                       const PropertyMap& /*parameters*/) {
  const LinuxSMBiosC smbios(Tree());
  const std::string type = smbios.Value(LinuxSMBiosC::c_TypeChassis, "Type");
  const std::string maker = smbios.Value(LinuxSMBiosC::c_TypeChassis, "Manufacturer");
  if (type.empty() && maker.empty()) return hx::RC_OK;
  RefM<HWInstance> instance = MakeInstance(className, "sysenc");
  const hx::ResultT r = PopulateInstance(instance);
  instance->AddProperty("Manufacturer", maker);
  instance->AddProperty("Type", type);
  if (!type.empty()) instance->AddProperty("ChassisTypes", std::to_string(hx::ChassisNameToID(type)));
  instance->AddProperty("SerialNumber", smbios.RootValue(LinuxSMBiosC::c_TypeChassis, "Serial Number", "chassis_serial",
                                                         "the chassis's serial number"));
  instances.push_back(instance);
  return r;
}
