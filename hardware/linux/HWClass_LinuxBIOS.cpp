#include "hardware/linux/HWClass_LinuxBIOS.h"

#include "hardware/linux/LinuxSMBios.h"

using hxlinux::LinuxSMBiosC;

hx::ResultT HWClass_LinuxBIOS::GetInventory(HWInstanceListT& instances, StringC className,
                                            const PropertyMap& /*parameters*/) {
  const LinuxSMBiosC smbios(Tree());
  const std::string vendor = smbios.Value(LinuxSMBiosC::c_TypeBios, "Vendor");
  const std::string version = smbios.Value(LinuxSMBiosC::c_TypeBios, "Version");
  if (vendor.empty() && version.empty()) return hx::RC_OK;
  RefM<HWInstance> instance = MakeInstance(className, vendor.empty() ? version : vendor);
  const hx::ResultT r = PopulateInstance(instance);
  instance->AddProperty("Manufacturer", vendor);
  instance->AddProperty(c_Version, version);
  instance->AddProperty("ReleaseDate", ToIsoDateTime(smbios.Value(LinuxSMBiosC::c_TypeBios, "Release Date")));
  // The firmware has no serial number of its own: the system's stands for it.
  instance->AddProperty("SerialNumber", smbios.RootValue(LinuxSMBiosC::c_TypeSystem, "Serial Number", "product_serial",
                                                         "the product's serial number"));
  instances.push_back(instance);
  return r;
}
