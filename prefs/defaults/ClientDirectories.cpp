// The client's directories, below the machine base (shared by all users) and the user base.
// They are stored unexpanded, so a later change of either base moves them all.

#include "prefs/defaults/EnvDefaultBuilder.h"

namespace {

constexpr const char* c_MachineBase = "$(CommonAppDataFolder)";
constexpr const char* c_UserBase = "$(AppDataFolder)/.tarvosk";

struct ClientDirT {
  const char* name;
  const char* base;  // null: the path stands alone
  const char* path;
};

constexpr ClientDirT c_ClientDirectories[] = {
    {"MachineUploadDirectory", c_MachineBase, "/uploads"},
    {"UserUploadDirectory", c_UserBase, "/uploads"},
    {"MachineZeroTouchDirectory", c_MachineBase, "/tracker/zerotouch"},
    {"UserZeroTouchDirectory", c_UserBase, "/tracker/zerotouch"},
    {"MachineInventoryDirectory", c_MachineBase, "/tracker/inventories"},
    {"UserInventoryDirectory", c_UserBase, "/tracker/inventories"},
    {"TaskDirectory", nullptr, "$(CommonAppDataFolder)/scheduler/tasks"},
    {"MachineScheduleDirectory", c_MachineBase, "/scheduler/schedules"},
    {"UserScheduleDirectory", c_UserBase, "/scheduler/schedules"},
    {"MachinePolicyDirectory", c_MachineBase, "/policies/merged/machine"},
    {"UserPolicyDirectory", c_UserBase, "/policy/policies/merged/user"},
    {"MachinePolicyPackageDirectory", c_MachineBase, "/policy/packages"},
    {"UserPolicyPackageDirectory", c_UserBase, "/packages"},
};

}  // namespace

void env_EnvDefaultBuilderC::SetClientDefaults(env_DefaultSinkI& env) {
  for (const ClientDirT& d : c_ClientDirectories) {
    env_SetSingle(env, d.name, StringC(d.base != nullptr ? d.base : "") + d.path);
  }
}
