#include "prefs/confvar/ConfVarSet.h"

// Every entry of the set is defined in this one file, in tree order: a key must be built
// before the entries below it, and only within one file is the order of construction fixed.

namespace {
constexpr int kKeyFlags = 0xD8;
constexpr ConfVarC::TypeT kKey = ConfVarC::TypeKey;
constexpr const char* kCopyAll = ConfVarC::c_MigrateCopyAll;
}  // namespace

ConfVarC ConfCRootKey(nullptr, kKey, nullptr, "SOFTWARE\\Tarvosk Corp", "SOFTWARE\\Halvex Software", nullptr, kKeyFlags,
                      ConfVarC::c_Remote);
ConfVarC ConfCProductKey(&ConfCRootKey, kKey, nullptr, "Tarvosk", "Halvex", nullptr, kKeyFlags, ConfVarC::c_Remote);

ConfVarC ConfCCommonKey(&ConfCProductKey, kKey, nullptr, "Common", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCCommonInstallKeysKey(&ConfCCommonKey, kKey, nullptr, "InstallKeys", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCCommonRulesKey(&ConfCCommonKey, kKey, nullptr, "Rules", nullptr, nullptr, kKeyFlags);

ConfVarC ConfCLauncherKey(&ConfCProductKey, kKey, nullptr, "Launcher\\CurrentVersion", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCLauncherCommonKey(&ConfCLauncherKey, kKey, nullptr, "Common", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCLauncherTrustedLocationsKey(&ConfCLauncherKey, kKey, nullptr, "TrustedLocations", nullptr, nullptr,
                                          kKeyFlags);
ConfVarC ConfCLauncherExcludedLocationsKey(&ConfCLauncherKey, kKey, nullptr, "ExcludedLocations", nullptr, nullptr,
                                           kKeyFlags);
ConfVarC ConfCLauncherSymbolsKey(&ConfCLauncherKey, kKey, nullptr, "Symbols", nullptr, nullptr, kKeyFlags);

ConfVarC ConfCNetSelectorKey(&ConfCProductKey, kKey, nullptr, "NetSelector\\CurrentVersion", "NetSelector\\5.0",
                             nullptr, kKeyFlags, 0, kCopyAll);
ConfVarC ConfCPolicyClientKey(&ConfCProductKey, kKey, nullptr, "Policy Client\\CurrentVersion",
                              "Policy Client\\5.0", nullptr, kKeyFlags);
ConfVarC ConfCScheduleAgentKey(&ConfCProductKey, kKey, nullptr, "Schedule Agent\\CurrentVersion",
                               "Schedule Agent\\5.0", nullptr, kKeyFlags);
ConfVarC ConfCTrackerKey(&ConfCProductKey, kKey, nullptr, "Tracker\\CurrentVersion", nullptr, nullptr, kKeyFlags, 0,
                         kCopyAll);
ConfVarC ConfCDownloaderKey(&ConfCProductKey, kKey, nullptr, "Downloader", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCUploaderKey(&ConfCProductKey, kKey, nullptr, "Uploader\\CurrentVersion", "Uploader\\5.0", nullptr,
                          kKeyFlags, 0, kCopyAll);
ConfVarC ConfCRemoteExecutionKey(&ConfCProductKey, kKey, nullptr, "RemoteExecution\\CurrentVersion",
                                 "RemoteExecution\\5.0", nullptr, kKeyFlags);
ConfVarC ConfCUsageAgentKey(&ConfCProductKey, kKey, nullptr, "Usage Agent\\CurrentVersion", "Usage Agent\\5.0",
                            nullptr, kKeyFlags);
ConfVarC ConfCSelectorKey(&ConfCProductKey, kKey, nullptr, "Selector\\CurrentVersion", "Selector\\5.0", nullptr,
                          kKeyFlags, 0, kCopyAll);
ConfVarC ConfCSecurityServiceKey(&ConfCProductKey, kKey, nullptr, "Security Service\\CurrentVersion", nullptr,
                                 nullptr, kKeyFlags);
ConfVarC ConfCSecurityAgentKey(&ConfCProductKey, kKey, nullptr, "Security Agent\\CurrentVersion", nullptr, nullptr,
                               kKeyFlags);
ConfVarC ConfCSystemStatusAgentKey(&ConfCProductKey, kKey, nullptr, "System Status Agent\\CurrentVersion", nullptr,
                                   nullptr, kKeyFlags);
ConfVarC ConfCMessagingKey(&ConfCProductKey, kKey, nullptr, "Messaging", nullptr, nullptr, kKeyFlags);
ConfVarC ConfCContactKey(&ConfCProductKey, kKey, nullptr, "Contact", nullptr, nullptr, kKeyFlags);

ConfVarStringC ConfCLauncherCacheDirectory(&ConfCLauncherKey, nullptr, "CacheDirectory", nullptr, 0xD8,
                                           c_DefaultLauncherCacheDirectory);
