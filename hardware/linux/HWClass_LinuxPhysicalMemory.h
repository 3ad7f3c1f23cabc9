#pragma once
// HWClass_LinuxPhysicalMemory (provider "LinuxPhysicalMemory"): the memory modules, one
// instance per populated memory device of the SMBIOS tables (LinuxSMBios.h), named by its slot
// (the bank added where two slots share a name):
//
//   Capacity                   bytes
//   Speed                      megatransfers per second ("3200")
//   Manufacturer, PartNumber, SerialNumber
//   DeviceLocator, BankLabel   the slot and its bank
//   MemoryType, FormFactor     as the tables name them ("DDR4", "SODIMM")
//
// Only root may read the tables, and the kernel's other files do not list the modules: without
// them (an ordinary user's run, noted with NeedsRoot, or a machine without SMBIOS) there is one
// instance "Memory" whose Capacity is the kernel's MemTotal.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxPhysicalMemory : public HWClass_Linux {
 public:
  static constexpr const char* c_InstanceName = "Memory";

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxPhysicalMemory() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxPhysicalMemory, "ZOR.hX.Tracker.LinuxPhysicalMemory.1")
