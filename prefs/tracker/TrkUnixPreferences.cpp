#include "prefs/tracker/TrkUnixPreferences.h"

namespace {

constexpr const char* c_True = "True";
constexpr const char* c_False = "False";

const char* BoolText(bool value) { return value ? c_True : c_False; }

}  // namespace

hx::ResultT TrkUnixPreferencesC::PreLoadDefaultPreferences() {
  const hx::ResultT r = TrkPreferencesC::PreLoadDefaultPreferences();
  AddValues(c_IncludeFileSystemType, {"ufs", "zfs", "lofs"});
  AddValue(c_ExcludePermissionsMask, StringC());
  AddValue(c_PlatformSpecificPackages, StringC(c_True));
  AddValue(c_TLMAgentIniPath, StringC("/etc/tlmagent.ini"));
  AddValue(c_TLMStandaloneIniPath, StringC("/etc/tlmstandalone.ini"));
  // The shared default ("Full") already holds this single value, so "status" is not taken.
  AddValue(c_UserInteractionLevel, StringC("status"));
  // The tracker keeps its own log beside the agent's: these replace the shared defaults.
  AddValue(env_EnvOptsC(c_LogFile.Name()), StringC("$(CommonAppDataFolder)/log/tracker.log"));
  AddValue(env_EnvOptsC(c_LogFileOld.Name()), StringC("$(CommonAppDataFolder)/log/tracker.old.log"));
  return r;
}

hx::ResultT TrkUnixPreferencesC::PostLoadDefaultPreferences() {
  const hx::ResultT r = TrkPreferencesC::PostLoadDefaultPreferences();
  ResolveScopeC unexpanded(*this, 0);
  PostLoadUnix();
  return r;
}

// Shared agent preferences only take a value where the shared store holds none yet.
void TrkUnixPreferencesC::AddSharedDefault(const char* name, const StringC& value) {
  Environment().Add(env_EnvOptsC(name), value);
}

void TrkUnixPreferencesC::PostLoadUnix() {
  if (IsSet(c_UploadRule) && !IsSet(c_Upload)) AddValue(c_Upload, StringC(c_True));
  if (!IsSet(c_UploadRule)) AddValue(c_Upload, StringC(c_False));

  if (!IsSet(c_InventoryType)) AddValue(c_InventoryType, StringC(c_MachineInventory));
  const bool machine = IsMachineType();
  const bool user = IsUserType();
  if (!IsSet(c_IncludeMachineInventory)) AddValue(c_IncludeMachineInventory, StringC(BoolText(machine)));
  if (!IsSet(c_IncludeUserInventory)) AddValue(c_IncludeUserInventory, StringC(BoolText(user)));

  if (!IsSet(c_TarvoskPackages)) {
    if (IsSet(c_PkgCacheDirectory) || IsSet(c_PkgLiveDirectory)) {
      if (GetBoolean(c_IncludeMachineInventory, 0) || GetBoolean(c_IncludeUserInventory, 0))
        AddValue(c_TarvoskPackages, StringC(c_True));
    } else {
      AddValue(c_TarvoskPackages, StringC(c_False));
    }
  }
  if (!IsSet(c_PackageDatabaseTypes)) AddValue(c_PackageDatabaseTypes, StringC("IA,BEA,SUNPKG,IPS"));
  if (!IsSet(c_Security)) AddValue(c_Security, StringC(c_False));

  AddSharedDefault("CanModifyPublic", c_True);
  AddSharedDefault("CanModifyPrivate", c_True);
  AddSharedDefault("MultiUserSupport", c_True);
  AddSharedDefault("UserAccountName", GetValue(c_UserName));

  if (IsEmpty(StringC("TempDirectory"))) AddValue(StringC("TempDirectory"), StringC("/tmp"));
  if (IsEmpty(StringC("AppDataFolder"))) AddValue(StringC("AppDataFolder"), StringC("$(TempDirectory)/$(UserName)"));
  if (IsEmpty(StringC("CommonAppDataFolder")))
    AddValue(StringC("CommonAppDataFolder"), StringC("$(TempDirectory)/AllUsers"));

  const bool hardware = (machine && GetBoolean(c_Hardware, 0)) || (user && GetBoolean(c_UserHardware, 0));
  AddValue(c_ExpectHardware, StringC(BoolText(hardware)));
  const bool files = machine || (user && GetBoolean(c_TrackFilesInUserInventory, 0));
  AddValue(c_ExpectTrackFilesInUserInventory, StringC(BoolText(files)));
  const bool software = GetBoolean(c_PlatformSpecificPackages, 0) || GetBoolean(c_TarvoskPackages, 0);
  AddValue(c_ExpectSoftware, StringC(BoolText(software)));

  if (!IsSet(c_InventoryDirectory))
    AddValue(c_InventoryDirectory, GetValue(machine ? c_MachineInventoryDirectory : c_UserInventoryDirectory));
}
