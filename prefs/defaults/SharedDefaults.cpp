#include "prefs/defaults/SharedDefaults.h"

#include <cstring>
#include <vector>

namespace {

struct BuiltInT {
  const char* name;
  const char* text;
};

// The shared table in its order; LogFile stands twice with the same default.
constexpr BuiltInT c_Shared[] = {
    {"AlertExecute", "False"},
    {"DownloadOnly", ""},
    {"VirusScan", ""},
    {"VerifyFilesSigned", ""},
    {"VerifyCatalogSigned", ""},
    {"VerifyTrustOrSign", ""},
    {"Logging", "30"},
    {"BROWSER", "Netscape"},
    {"BROWSEREXE", "netscape.exe"},
    {"BaseURLAlgo", "First"},
    {"ServiceConnectTimeout", "20"},
    {"ServiceCreateTimeout", ""},
    {"NetworkTimeout", "FullAccess"},
    {"NoStage", ""},
    {"UserInteractionLevel", "Full"},
    {"PublicAppAccess", ""},
    {"PrivateAppAccess", "True"},
    {"LauncherAppCache", "$(CacheDirectory)"},
    {"NetworkRetries", "1"},
    {"NetworkRetryPeriodIncrement", "0"},
    {"MaximumNetworkRetryPeriod", "300"},
    {"ConnectionAttempts", "2"},
    {"RotateConnectionsOnFailedConnectionAttempt", ""},
    {"NetworkSense", ""},
    {"NetworkMinSpeed", ""},
    {"NetworkHighSpeed", ""},
    {"NetworkLowUsage", "100"},
    {"NetworkLowUsageLowerLimit", ""},
    {"NetworkLowUsageUpperLimit", ""},
    {"NetworkHighUsage", ""},
    {"NetworkHighUsageLowerLimit", ""},
    {"NetworkHighUsageUpperLimit", ""},
    {"NetworkMaxRate", ""},
    {"NetworkMaxByteLevelSpeed", "262144"},
    {"ServerAuthentication", ""},
    {"LogLevel", "A-z"},
    {"LogModules", "default"},
    {"LogType", ""},
    {"LogFile", "$(CommonAppDataFolder)/log/tarvosk.log"},
    {"LogFileBak", ""},
    {"LogFile", "$(CommonAppDataFolder)/log/tarvosk.log"},
    {"LogFileOld", "$(CommonAppDataFolder)/log/tarvosk.old"},
    {"LogFileSize", "4000000"},
    {"CheckRegistry", ""},
    {"ForceCOMRegistration", ""},
    {"ForceValidSignature", ""},
    {"DisplayAllAuthcode", ""},
    {"VerifyDownload", ""},
    {"AskAboutDependencies", ""},
    {"AskBeforeInstalling", ""},
    {"PromptOnInstallCompletion", ""},
    {"PromptOnUninstallCompletion", ""},
    {"PromptOnCOMRegFailures", ""},
    {"OS", "unknown"},
    {"OSVERSION", "0,0,0,0"},
    {"OSNAMES", "$(OS)"},
    {"TempDirectory", ""},
    {"WinDirectory", ""},
    {"SysDirectory", ""},
    {"FontDirectory", ""},
    {"ProgramPath", "/opt/tarvosk/bin"},
    {"ProgramFiles", "/opt"},
    {"UninstallIShieldSilently", "Auto"},
    {"CmdLineOverrides", ""},
    {"AddRemove", "Default"},
    {"StagedPrefix", "stg"},
    {"SupplyWorstCaseReturnValue", ""},
    {"SaveAllUserSymbols", ""},
    {"TEMP", ""},
    {"WIN", ""},
    {"SYS", ""},
    {"PROGFILES", ""},
    {"PluginDirectory", "."},
    {"SelfHeal", ""},
    {"AutoRedundancy", ""},
    {"AllowMultipleInstances", ""},
    {"QuietUntilUpdate", ""},
    {"ConfirmSharedFileRemoval", ""},
    {"PostponeUserInteractionLevel", ""},
    {"PostponeByDefault", ""},
    {"RebootIfRequired", ""},
    {"ForceReboot", ""},
    {"ForceRebootIfLocked", ""},
    {"UITimeoutWait", ""},
    {"RenotifyTimeout", "240"},
    {"AllowRebootIfLocked", ""},
    {"AllowRebootIfServer", ""},
    {"SecurityPatchRebootIfRequired", ""},
    {"AllowTimeoutIfLocked", "true"},
    {"RebootPromptCycles", ""},
    {"RebootPromptUnlimited", "false"},
    {"RebootPromptWait", "600"},
    {"RebootPreCommand", ""},
    {"RebootPostCommand", ""},
    {"RebootContinueAfterCmdFailure", ""},
    {"RebootForceWindowToTop", ""},
    {"RebootShowShutdown", ""},
    {"AllowByteLevel", ""},
    {"PropagatePkgChanged", ""},
    {"ComputerDomain", "$(OSComputerDomain)"},
    {"UserLogonDomain", "$(OSUserLogonDomain)"},
    {"URLComputerDomain", "$(ComputerDomain)_domain/"},
    {"URLUserLogonDomain", "$(UserLogonDomain)_domain/"},
    {"UseLastUpdateLocation", ""},
    {"PolicyServerPriority", "50"},
    {"DetectApplicationVersionConflicts", ""},
    {"ExternalInstallerOutput", "stdoutpass,stderrpass"},
    {"ExternalInstallerOutputLimit", "4096"},
    {"StageInactivePackages", ""},
    {"RebootPath", "$(ProgramPath)/reboot"},
    {"RebootCmdLine", "\"$(RebootPath)\""},
    {"StrictInstall", ""},
    {"PackageDatabasePath", "$(CommonAppDataFolder)/cache/packagedb.cdb"},
    {"ApplyLocalPolicy", ""},
    {"ApplyPolicy", ""},
    {"DownloadPolicy", ""},
    {"AllowPeerToPeer", ""},
    {"IgnoreConnectionWindows", ""},
    {"PolicyRefreshPeriod", ""},
    {"PolicyPackageRefreshPeriod", ""},
    {"InstallationStatusRefreshPeriod", "604800"},
    {"NeverMoveOnReboot", ""},
    {"ReInstallRequiresVersionChange", ""},
    {"DisableUninstallBehaviour", ""},
    {"PostponementQueryBefore", "Download"},
    {"PostponePath", "$(ProgramPath)/tvkpostpone"},
    {"PostponeCmdLine", "\"$(PostponePath)\""},
    {"SupportMSIRebootReturnCode", ""},
    {"PolicyStep", "Install"},
};

std::vector<env_DefValueC> MakeShared() {
  std::vector<env_DefValueC> table;
  table.reserve(sizeof c_Shared / sizeof c_Shared[0] + 1);
  for (const BuiltInT& b : c_Shared) table.push_back({b.name, b.text});
  table.push_back({nullptr, StringC()});
  return table;
}

std::vector<env_DefValueC>& Shared() {
  static std::vector<env_DefValueC> s_Table = MakeShared();
  return s_Table;
}

const env_DefValueC c_Security[] = {
    {"UseTrustDatabase", ""},
    {"CheckCatalogDigest", ""},
    {"CheckFileDigest", ""},
    {"CheckCertificateRevocation", ""},
    {"CheckServerCertificate", ""},
    {"SSLDirectory", "$(CommonAppDataFolder)/etc/ssl"},
    {"SSLCACertificateFile", "$(SSLDirectory)/cert.pem"},
    {"SSLCACertificatePath", "$(SSLDirectory)/certs"},
    {"SSLCRLPath", "$(SSLDirectory)/crls"},
    {nullptr, ""},
};

}  // namespace

env_DefValueC* env_SharedDefaults() { return Shared().data(); }

const env_DefValueC* env_SecurityDefaults() { return c_Security; }

env_DefValueC* env_FindSharedDefault(const char* name) {
  for (env_DefValueC* d = env_SharedDefaults(); d->name != nullptr; ++d) {
    if (std::strcmp(d->name, name) == 0) return d;
  }
  return nullptr;
}

void env_RestoreSharedDefaults() { Shared() = MakeShared(); }
