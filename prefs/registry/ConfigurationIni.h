#pragma once
// The process configuration object: owns the configuration registry for the life of the
// process. The remote-server and alternate-hive settings exist for the agent's other
// platforms; here they are always empty.

#include "foundation/core/Text.h"
#include "prefs/registry/ConfRegistryIni.h"

class ConfigurationIniC {
 public:
  ConfigurationIniC() = default;
  ConfigurationIniC(const ConfigurationIniC&) = delete;
  ConfigurationIniC& operator=(const ConfigurationIniC&) = delete;

  ConfRegistryIniC* registry() { return &registry_; }

  // Accepted and ignored.
  void setRemoteServer(const StringC& server);
  // Always empty: no remote configuration is in use.
  StringC getRemoteServer() const { return StringC(); }
  StringC getAlternateUserSubKey() const { return StringC(); }
  StringC getAlternateMachineSubKey() const { return StringC(); }

 private:
  ConfRegistryIniC registry_;
};

// The process configuration for interface version 1; null for any other version.
ConfigurationIniC* getConfiguration(int version);
