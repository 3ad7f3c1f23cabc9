#include "hardware/linux/HWClass_LinuxGroup.h"

#include "hardware/linux/LinuxAccountTexts.h"

hx::ResultT HWClass_LinuxGroup::GetInventory(HWInstanceListT& instances, StringC className,
                                             const PropertyMap& /*parameters*/) {
  std::string text = Tree().Text("/etc/group");
  for (const hxlinux::GroupEntryT& group : hxlinux::ParseGroup(text)) {
    RefM<HWInstance> instance = MakeInstance(className, group.name);
    instance->AddProperty(c_Name, group.name);
    instance->AddProperty("GID", std::to_string(group.gid));
    instance->AddProperty("Members", hx::Join(group.members, ";"));
    instances.push_back(instance);
  }
  return hx::RC_OK;
}
