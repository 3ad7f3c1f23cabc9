#include "prefs/store/PreferenceLogSettings.h"

#include "prefs/store/EnvExpandReport.h"
#include "prefs/store/EnvPreferences.h"

bool env_PreferenceLogSettingsC::Get(const char* name, std::string& expandedValue) {
  // The logger asks while it sets itself up: an expansion that stops must not log from here.
  env_ExpandReportsWaitC inLogger;
  EnvPreferencesC prefs;
  const StringC n(name != nullptr ? name : "");
  if (!prefs.Exists(n)) return false;
  expandedValue = prefs.GetValue(env_EnvOptsC(n), 1);
  return true;
}

env_PreferenceLogSettingsC* env_PreferenceLogSettingsC::Instance() {
  static env_PreferenceLogSettingsC s_Settings;
  return &s_Settings;
}
