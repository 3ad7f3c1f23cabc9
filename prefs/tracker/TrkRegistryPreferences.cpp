// Reading the tracker's preferences from the configuration registry.

#include "platform/OSInfo.h"
#include "prefs/tracker/EnvMSWPreferences.h"
#include "prefs/tracker/TrkUnixPreferences.h"

namespace {
constexpr const char* c_ListSeparators = ",;";
constexpr const char* c_OSKeyPrefix = "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\";
}  // namespace

hx::ResultT TrkUnixPreferencesC::LoadRegistryPreferences() {
  using R = EnvMSWPreferencesC;
  R reader(*this, R::MachineHive);
  const StringC separators(c_ListSeparators);
  // Best effort: a value that cannot be read (gone since the keys were listed) keeps its default.
  HX_IGNORE_RESULT(reader.ReadAllValues(R::Root, separators));
  AddValue(c_Remote, StringC(IsRemote() ? "True" : "False"));
  if (GetBoolean(c_Remote, 0)) return hx::RC_OK;
  HX_IGNORE_RESULT(reader.ReadAllValues(R::Common, separators));
  HX_IGNORE_RESULT(reader.ReadAllValues(R::SecurityAgent, separators));
  HX_IGNORE_RESULT(reader.ReadAllValues(R::InventoryAgent, separators));
  // Settings for one operating system only, e.g. the file systems worth scanning on it.
  HX_IGNORE_RESULT(reader.ReadAllValuesOfKey(StringC(c_OSKeyPrefix) + OSInfoC().SystemName(), separators));
  HX_IGNORE_RESULT(reader.ReadValue(R::Rules, c_UploadRule.Name(), StringC()));
  HX_IGNORE_RESULT(reader.ReadValue(R::Rules, c_SecurityAnalysisRule.Name(), StringC()));
  HX_IGNORE_RESULT(reader.ReadValue(R::InstallationAgent, c_PkgCacheDirectory.Name(), StringC()));
  HX_IGNORE_RESULT(reader.ReadValue(R::InstallationAgent, c_PkgLiveDirectory.Name(), StringC()));
  return hx::RC_OK;
}
