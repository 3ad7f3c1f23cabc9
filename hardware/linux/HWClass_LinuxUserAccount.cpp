#include "hardware/linux/HWClass_LinuxUserAccount.h"

#include <map>

#include "hardware/linux/LinuxAccountTexts.h"

namespace {

constexpr const char* c_True = "TRUE";
constexpr const char* c_False = "FALSE";

std::string FileText(const char* path) {
  std::string text = HWClass_Linux::Tree().Text(path);
  return text;
}

}  // namespace

hx::ResultT HWClass_LinuxUserAccount::GetInventory(HWInstanceListT& instances, StringC className,
                                                   const PropertyMap& /*parameters*/) {
  std::map<uint32_t, std::string> groups;
  for (const hxlinux::GroupEntryT& g : hxlinux::ParseGroup(FileText("/etc/group"))) groups.emplace(g.gid, g.name);
  std::string shellsText;
  const bool haveShells = Tree().Read("/etc/shells", shellsText);
  const std::set<std::string> shells = hxlinux::ParseShells(shellsText);
  for (const hxlinux::PasswdEntryT& account : hxlinux::ParsePasswd(FileText("/etc/passwd"))) {
    RefM<HWInstance> instance = MakeInstance(className, account.name);
    const auto group = groups.find(account.gid);
    instance->AddProperty(c_Name, account.name);
    instance->AddProperty("UID", std::to_string(account.uid));
    instance->AddProperty("PrimaryGroup", group != groups.end() ? group->second : std::to_string(account.gid));
    instance->AddProperty("HomeDirectory", account.home);
    instance->AddProperty("Shell", account.shell);
    if (haveShells && !account.shell.empty())
      instance->AddProperty("ShellListed", shells.count(account.shell) != 0 ? c_True : c_False);
    instances.push_back(instance);
  }
  return hx::RC_OK;
}
