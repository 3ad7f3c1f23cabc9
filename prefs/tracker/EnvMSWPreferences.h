#pragma once
// EnvMSWPreferencesC: reads preferences from the configuration registry into a preference
// object. Each read names a logical key and reads it twice: below the product key, then below
// the policy key, so that a policy value overrides the product value. A value whose companion
// <Name>Fixed or <Name>Fxd reads true is locked against every later source.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "prefs/registry/ConfRegCodes.h"
#include "prefs/store/EnvPreferences.h"

class EnvMSWPreferencesC {
 public:
  enum LogicalKeyE { Root, Common, SecurityAgent, InventoryAgent, Rules, InstallationAgent };
  enum HiveE { MachineHive, UserHive };

  static constexpr const char* c_ProductKey = "Software\\Tarvosk Corp\\Tarvosk";
  static constexpr const char* c_PolicyKey = "Software\\Policies\\Tarvosk Corp\\Tarvosk";
  static constexpr const char* c_MachineAlternateHive = "MachineAlternateRegistryHive";
  static constexpr const char* c_UserAlternateHive = "UserAlternateRegistryHive";

  explicit EnvMSWPreferencesC(EnvPreferencesC& prefs, HiveE hive = MachineHive) : prefs_(prefs), hive_(hive) {}

  // The key's path relative to the product or policy key ("" for Root).
  static const char* RelativePath(LogicalKeyE key);

  // Every value of the logical key, product path then policy path. RC_FAIL when no registry is
  // available; a key that cannot be opened reads nothing.
  HX_NODISCARD hx::ResultT ReadAllValues(LogicalKeyE key, const StringC& separators);
  // Every value of one key below the hive's root.
  HX_NODISCARD hx::ResultT ReadAllValuesOfKey(const StringC& keyPath, const StringC& separators);
  // One value of the logical key, product path then policy path.
  HX_NODISCARD hx::ResultT ReadValue(LogicalKeyE key, const StringC& name, const StringC& separators);

 private:
  ConfHKEY RootKey() const;
  StringC ProductPath(LogicalKeyE key) const;
  StringC PolicyPath(LogicalKeyE key);
  HX_NODISCARD hx::ResultT ReadValueOfKey(const StringC& keyPath, const StringC& name, const StringC& separators);
  HX_NODISCARD hx::ResultT ReadOpenValue(ConfHKEY key, const StringC& name, const StringC& separators);
  void ReadCompanions(ConfHKEY key, const StringC& name);

  EnvPreferencesC& prefs_;
  HiveE hive_;
};
