#pragma once
// HWClass_UnixComputerSystem: the machine as a whole: its name, the user and domain of the
// run, and the processor and memory totals of the classes collected before it. Its instance
// goes to the front of the list, so that the computer system is the first hardware element of
// the inventory; it must therefore be configured after the processor and memory classes.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_UnixComputerSystem : public HWClass_Unix {
 public:
  static constexpr const char* c_UserName = "UserName";
  static constexpr const char* c_Domain = "Domain";
  static constexpr const char* c_TotalPhysicalMemory = "TotalPhysicalMemory";
  // The property of a physical memory instance that gives the memory total.
  static constexpr const char* c_Capacity = "Capacity";

  // One instance named by the MachineName preference, populated and fixed up, inserted at the
  // front of the list also when either step failed. Their result.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name", then "UserName" (UserDomain\UserName, or UserName alone without a user domain)
  // and "Domain" (the ComputerDomain preference).
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;
  // Counts the processor instances collected so far ("NumberOfProcessors"), sums their logical
  // processors, one for a processor that does not say ("NumberOfLogicalProcessors"), and takes
  // the capacity of the last physical memory instance ("TotalPhysicalMemory").
  HX_NODISCARD virtual hx::ResultT Fixup(RefM<HWInstance> instance, const HWInstanceListT& instances);

 protected:
  ~HWClass_UnixComputerSystem() override = default;
};

HX_HW_PROVIDER_FACTORY(UnixComputerSystem, "ZOR.hX.Tracker.UnixComputerSystem.1")
