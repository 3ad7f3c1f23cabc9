#pragma once
// HWClass_LinuxComputerSystem (provider "LinuxComputerSystem"): the generic computer system
// (name, user and domain of the run, the processors collected before it; its instance first
// in the list) with what Linux tells of the machine:
//
//   Manufacturer, Model   the SMBIOS system's manufacturer and product name; nothing on a
//                         machine without SMBIOS
//   TotalPhysicalMemory   bytes: the sum of the capacities of the TVK_PhysicalMemory
//                         instances collected before it, or the kernel's MemTotal without them
//   VMType                the hypervisor, as systemd-detect-virt --vm names it ("kvm",
//                         "none", ...; LinuxVirtualization.h)
//   ContainerType         the container, as systemd-detect-virt --container names it
//                         ("docker", "none", ...)
//
// It derives from the generic provider for its name, user and order, and reads the machine
// through the Linux providers' tree (HWClass_Linux::Tree).

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"

class HWClass_LinuxComputerSystem : public HWClass_UnixComputerSystem {
 public:
  static constexpr const char* c_Manufacturer = "Manufacturer";
  static constexpr const char* c_Model = "Model";
  static constexpr const char* c_VMType = "VMType";
  static constexpr const char* c_ContainerType = "ContainerType";

  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;
  // The generic counts, and the machine's memory as a whole.
  HX_NODISCARD hx::ResultT Fixup(RefM<HWInstance> instance, const HWInstanceListT& instances) override;

 protected:
  ~HWClass_LinuxComputerSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxComputerSystem, "ZOR.hX.Tracker.LinuxComputerSystem.1")
