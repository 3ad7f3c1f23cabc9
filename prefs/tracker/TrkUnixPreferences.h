#pragma once
// TrkUnixPreferencesC: the tracker's preference object on Unix. It adds the Unix defaults and
// derivations to the generic ones and reads the configuration registry.

#include "foundation/core/Nodiscard.h"
#include "prefs/tracker/TrkPreferences.h"

class TrkUnixPreferencesC : public TrkPreferencesC {
 public:
  explicit TrkUnixPreferencesC(env_EnvironmentI* env = nullptr) : TrkPreferencesC(env) {}

  HX_NODISCARD hx::ResultT PreLoadDefaultPreferences() override;
  HX_NODISCARD hx::ResultT PostLoadDefaultPreferences() override;
  HX_NODISCARD hx::ResultT LoadRegistryPreferences() override;
  // A Unix tracker always reads its own machine.
  bool IsRemote() const { return false; }

 private:
  void PostLoadUnix();
  void AddSharedDefault(const char* name, const StringC& value);
};
