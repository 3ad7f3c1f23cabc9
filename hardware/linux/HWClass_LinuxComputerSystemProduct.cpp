#include "hardware/linux/HWClass_LinuxComputerSystemProduct.h"

#include "hardware/linux/LinuxSMBios.h"

using hxlinux::LinuxSMBiosC;

hx::ResultT HWClass_LinuxComputerSystemProduct::GetInventory(HWInstanceListT& instances, StringC className,
                                                             const PropertyMap& /*parameters*/) {
  const LinuxSMBiosC smbios(Tree());
  const std::string product = smbios.Value(LinuxSMBiosC::c_TypeSystem, "Product Name");
  const std::string vendor = smbios.Value(LinuxSMBiosC::c_TypeSystem, "Manufacturer");
  if (product.empty() && vendor.empty()) return hx::RC_OK;
  RefM<HWInstance> instance = MakeInstance(className, product.empty() ? vendor : product);
  const hx::ResultT r = PopulateInstance(instance);
  instance->AddProperty("Vendor", vendor);
  instance->AddProperty(c_Version, smbios.Value(LinuxSMBiosC::c_TypeSystem, "Version"));
  instance->AddProperty("IdentifyingNumber", smbios.RootValue(LinuxSMBiosC::c_TypeSystem, "Serial Number",
                                                              "product_serial", "the product's serial number"));
  instance->AddProperty("UUID",
                        smbios.RootValue(LinuxSMBiosC::c_TypeSystem, "UUID", "product_uuid", "the product's UUID"));
  instances.push_back(instance);
  return r;
}
