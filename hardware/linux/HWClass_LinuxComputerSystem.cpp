#include "hardware/linux/HWClass_LinuxComputerSystem.h"

#include "hardware/linux/HWClass_Linux.h"
#include "hardware/linux/LinuxSMBios.h"
#include "hardware/linux/LinuxTexts.h"
#include "hardware/linux/LinuxVirtualization.h"

using hxlinux::LinuxSMBiosC;

hx::ResultT HWClass_LinuxComputerSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_UnixComputerSystem::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  const hxlinux::MachineTreeC& tree = HWClass_Linux::Tree();
  const LinuxSMBiosC smbios(tree);
  const hxlinux::DmiNamesT dmi{
      smbios.Value(LinuxSMBiosC::c_TypeSystem, "Product Name"),
      smbios.Value(LinuxSMBiosC::c_TypeSystem, "Manufacturer"), smbios.Value(LinuxSMBiosC::c_TypeBoard, "Manufacturer"),
      smbios.Value(LinuxSMBiosC::c_TypeBios, "Vendor"), smbios.Value(LinuxSMBiosC::c_TypeSystem, "Version")};
  instance->AddProperty(c_Manufacturer, dmi.systemVendor);
  instance->AddProperty(c_Model, dmi.productName);
  instance->AddProperty(c_VMType, hxlinux::DetectHypervisor(tree, dmi, hxlinux::LiveHypervisorSignature()));
  instance->AddProperty(c_ContainerType, hxlinux::DetectContainer(tree));
  return r;
}

hx::ResultT HWClass_LinuxComputerSystem::Fixup(RefM<HWInstance> instance, const HWInstanceListT& instances) {
  const hx::ResultT r = HWClass_UnixComputerSystem::Fixup(instance, instances);
  if (hx::Failed(r)) return r;
  // The memory devices add up to the machine's memory; the kernel's total (a little less: what
  // the firmware keeps is not in it) stands in where they are not known.
  int64_t total = 0;
  for (const RefM<HWInstance>& other : instances) {
    int64_t capacity = 0;
    if (other && other->GetClassName() == c_TVK_PhysicalMemory &&
        hx::ParseInt64(other->GetProperty(c_Capacity), capacity) && capacity > 0 && capacity <= INT64_MAX - total)
      total += capacity;
  }
  if (total == 0) {
    std::string meminfo = HWClass_Linux::Tree().Text("/proc/meminfo");
    total = hxlinux::MeminfoBytes(meminfo, "MemTotal");
  }
  instance->AddProperty(c_TotalPhysicalMemory, total > 0 ? std::to_string(total) : std::string());
  return r;
}
