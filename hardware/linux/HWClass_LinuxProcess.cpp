#include "hardware/linux/HWClass_LinuxProcess.h"

#include <unistd.h>

#include <set>
#include <tuple>

#include "foundation/files/SysRoot.h"
#include "hardware/linux/LinuxAccountTexts.h"
#include "hardware/unix/UserAccounts.h"

namespace {

constexpr const char* c_ProcDir = "/proc/";
constexpr const char* c_User = "User";
constexpr const char* c_ExecutablePath = "ExecutablePath";
constexpr const char* c_OtherUsersExecutables = "the executables of other users' processes";

}  // namespace

hx::ResultT HWClass_LinuxProcess::GetInventory(HWInstanceListT& instances, StringC className,
                                               const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  std::string passwd = tree.Text("/etc/passwd");
  const bool live = hx::SystemRoot().empty();
  // (command, user, executable), each once, in sorted order.
  std::set<std::tuple<std::string, std::string, std::string>> programs;
  for (const std::string& pid : tree.List(c_ProcDir)) {
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string dir = c_ProcDir + pid + "/";
    std::string text;
    hxlinux::ProcStatT stat;
    // A process that ended meanwhile has no stat any more.
    if (!tree.Read(dir + "stat", text) || !hxlinux::ParseProcStat(text, stat) ||
        (stat.flags & hxlinux::c_KernelThreadFlag) != 0)
      continue;
    uint32_t uid = 0;
    std::string user;
    if (tree.Read(dir + "status", text) && hxlinux::StatusEffectiveUid(text, uid) &&
        !hx::FindPasswdName(passwd, uid, user))
      user = std::to_string(uid);
    std::string executable;
    if (!tree.Link(dir + "exe", executable) && live && !user.empty() && uid != ::geteuid())
      NeedsRoot(c_OtherUsersExecutables);
    programs.emplace(stat.command, user, executable);
  }
  for (const auto& [command, user, executable] : programs) {
    // A process is a program and its user; it has no "Name" of its own.
    RefM<HWInstance> instance = MakeInstance(className, command);
    instance->AddProperty(c_User, user);
    instance->AddProperty(c_ExecutablePath, executable);
    instances.push_back(instance);
  }
  return hx::RC_OK;
}
