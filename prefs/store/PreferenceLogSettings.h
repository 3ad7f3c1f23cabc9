#pragma once
// The log settings (LogFile, LogLevel, ...) as the preferences give them: read from the
// current environment with $(Name) references expanded. Installed at start-up, before the log
// manager is first used, so that the log goes where the preferences say.

#include "foundation/core/Nodiscard.h"
#include "foundation/log/LogSettings.h"

class env_PreferenceLogSettingsC : public hx::LogSettingsI {
 public:
  HX_NODISCARD bool Get(const char* name, std::string& expandedValue) override;

  // The process's instance.
  static env_PreferenceLogSettingsC* Instance();
};
