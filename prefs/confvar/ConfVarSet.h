#pragma once
// The agent's typed configuration set: the tree of registry keys below "SOFTWARE\Tarvosk Corp"
// and the values this program reads from it. The entries are built when the process starts
// and live until it ends. Keys carry their names from the older layout ("Halvex", "...\5.0")
// so that values not migrated yet are still found there.

#include "prefs/confvar/ConfVar.h"
#include "prefs/confvar/ConfVarTypes.h"

// The company key and the product key: the two top keys.
extern ConfVarC ConfCRootKey;
extern ConfVarC ConfCProductKey;

// Keys below the product key.
extern ConfVarC ConfCCommonKey;
extern ConfVarC ConfCCommonInstallKeysKey;
extern ConfVarC ConfCCommonRulesKey;
extern ConfVarC ConfCLauncherKey;
extern ConfVarC ConfCLauncherCommonKey;
extern ConfVarC ConfCLauncherTrustedLocationsKey;
extern ConfVarC ConfCLauncherExcludedLocationsKey;
extern ConfVarC ConfCLauncherSymbolsKey;
extern ConfVarC ConfCNetSelectorKey;
extern ConfVarC ConfCPolicyClientKey;
extern ConfVarC ConfCScheduleAgentKey;
extern ConfVarC ConfCTrackerKey;
extern ConfVarC ConfCDownloaderKey;
extern ConfVarC ConfCUploaderKey;
extern ConfVarC ConfCRemoteExecutionKey;
extern ConfVarC ConfCUsageAgentKey;
extern ConfVarC ConfCSelectorKey;
extern ConfVarC ConfCSecurityServiceKey;
extern ConfVarC ConfCSecurityAgentKey;
extern ConfVarC ConfCSystemStatusAgentKey;
extern ConfVarC ConfCMessagingKey;
extern ConfVarC ConfCContactKey;

// The launcher's application cache directory ("CacheDirectory" under the launcher key).
extern ConfVarStringC ConfCLauncherCacheDirectory;
constexpr const char* c_DefaultLauncherCacheDirectory = "/var/tmp/tarvosk/appcache";
