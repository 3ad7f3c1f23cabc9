#pragma once
// HWClass_LinuxGroup (provider "LinuxGroup", class TVK_Group): the machine's
// local groups, one instance per entry of its /etc/group in file order, named
// by the group name, as `getent -s files group` lists them:
//
//   GID       the group id
//   Members   the members the file names, in its order, joined with ";"
//             (accounts whose primary group it is are not repeated there)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxGroup : public HWClass_Linux {
 public:
  // The groups, appended; always 0 (a machine without the file has none).
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxGroup() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxGroup, "ZOR.hX.Tracker.LinuxGroup.1")
