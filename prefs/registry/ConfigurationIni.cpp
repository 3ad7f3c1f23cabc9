#include "prefs/registry/ConfigurationIni.h"

namespace {
constexpr int kConfigurationVersion = 1;
}

void ConfigurationIniC::setRemoteServer(const StringC&) {}

ConfigurationIniC* getConfiguration(int version) {
  // Never destroyed: configuration may be read while the process shuts down.
  static ConfigurationIniC* configuration = new ConfigurationIniC;
  return version == kConfigurationVersion ? configuration : nullptr;
}
