#include "prefs/defaults/EnvDefaultBuilder.h"

#include <unistd.h>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "platform/OSInfo.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"

namespace {

constexpr const char* c_ProgramPath = "ProgramPath";
constexpr const char* c_PluginDirectory = "PluginDirectory";
constexpr const char* c_Browser = "BROWSER";
constexpr const char* c_BrowserExe = "BROWSEREXE";
constexpr const char* c_OS = "OS";
constexpr const char* c_OSNames = "OSNAMES";
constexpr const char* c_OSVersion = "OSVERSION";
constexpr const char* c_OSDistributorId = "OSDistributorId";
constexpr const char* c_PID = "PID";
constexpr const char* c_OSNameMapKey = "\\Common\\OSNameMap";
constexpr const char* c_BinSubdirectory = "/bin";
constexpr const char* c_PluginsSubdirectory = "plugins";
constexpr const char* c_InternetExplorer = "iexplore";
constexpr const char* c_BrowserMSIE = "MSIE";
constexpr const char* c_UnknownOS = "unknown";

struct OSNameT {
  int type;
  const char* name;
};
constexpr OSNameT c_OSNames_[] = {
    {1, "DOS"},   {2, "Win31"}, {3, "Win95"}, {4, "WinNT"},  {5, "Mac OS X"},
    {6, "OS/2"},  {7, "AIX"},   {9, "HP-UX"}, {10, "Linux"}, {11, "SunOS"},
};

struct DistributorT {
  const char* id;
  const char* names;
};
constexpr DistributorT c_Distributors[] = {
    {"CentOS", "RedHat"},
    {"Fedora", "RedHat;Fedora Core"},
    {"FedoraCore", "RedHat;Fedora Core"},
    {"RedHatEnterpriseAS", "RedHat;RedHat Enterprise Linux AS"},
    {"RedHatEnterpriseES", "RedHat;RedHat Enterprise Linux ES"},
    {"RedHatEnterpriseWS", "RedHat;RedHat Enterprise Linux WS"},
    {"RedHatEnterpriseClient", "RedHat;RedHat Enterprise Linux WS"},
    {"RedHatEnterpriseServer", "RedHat;RedHat Enterprise Linux ES"},
    {"SUSE LINUX", "SuSE;SuSE Linux;openSUSE"},
};

void SetDefaultText(const char* name, const StringC& text) {
  if (env_DefValueC* d = env_FindSharedDefault(name)) d->text = text;
}

StringC DefaultText(const char* name) {
  const env_DefValueC* d = env_FindSharedDefault(name);
  return d != nullptr ? d->text : StringC();
}

// A value of the product key, or of a key below it; false when it cannot be read.
HX_NODISCARD bool ReadProductValue(const StringC& relativeKey, const StringC& name, StringC& value) {
  ConfigurationIniC* config = getConfiguration(1);
  if (config == nullptr) return false;
  return config->registry()->ReadString(HKEY_LOCAL_MACHINE, StringC(EnvUnixC::c_ProductKey) + relativeKey, name,
                                        &value) == CONF_REG_OK;
}

// The platform's default browser command: Unix has none.
StringC DefaultBrowserCommand() { return StringC(); }

}  // namespace

void env_SetSingle(env_DefaultSinkI& env, const char* name, const StringC& value) {
  env.SetSingle(name, value);
}

void env_EnvDefaultBuilderC::AugmentNormalProperties(env_DefaultSinkI& env) {
  SetProgramPath();
  SetBrowser();
  SetDefaultText(c_PluginDirectory, DefaultText(c_ProgramPath) + "/" + c_PluginsSubdirectory);
  env_SetSingle(env, c_PID, hx::Format("%d", static_cast<int>(::getpid())));
  SetOperatingSystem(env);
  SetUserInfo(env);
  SetSystemFolders(env);
  SetClientDefaults(env);
  AugmentSingleValuedProperites(env, env_SharedDefaults());
  AugmentSingleValuedSecurityProperites(env);
}

void env_EnvDefaultBuilderC::AugmentSingleValuedProperites(env_DefaultSinkI& env, const DefValue* table) {
  for (const DefValue* d = table; d->name != nullptr; ++d) env_SetSingle(env, d->name, d->text);
}

void env_EnvDefaultBuilderC::AugmentSingleValuedSecurityProperites(env_DefaultSinkI& env) {
  AugmentSingleValuedProperites(env, env_SecurityDefaults());
}

void env_EnvDefaultBuilderC::SetProgramPath() {
  StringC installDir;
  if (ReadProductValue("", EnvUnixC::c_InstallDir, installDir) && !installDir.empty())
    SetDefaultText(c_ProgramPath, installDir + c_BinSubdirectory);
}

void env_EnvDefaultBuilderC::SetBrowser() {
  const StringC command = DefaultBrowserCommand();
  if (command.empty()) return;
  SetDefaultText(c_BrowserExe, command);
  if (hx::ToLower(command).find(c_InternetExplorer) != StringC::npos) SetDefaultText(c_Browser, c_BrowserMSIE);
}

const char* env_EnvDefaultBuilderC::OSNameForType(int type) {
  for (const OSNameT& os : c_OSNames_) {
    if (os.type == type) return os.name;
  }
  return c_UnknownOS;
}

const char* env_EnvDefaultBuilderC::DistributorNames(const StringC& id) {
  for (const DistributorT& d : c_Distributors) {
    if (hx::EqualsNoCase(d.id, id)) return d.names;
  }
  return nullptr;
}

void env_EnvDefaultBuilderC::SetOperatingSystem(env_DefaultSinkI& env) {
  const OSInfoC os;
  SetDefaultText(c_OS, OSNameForType(os.Type()));
  SetDefaultText(c_OSNames, DefaultText(c_OS));
  SetDefaultText(c_OSVersion, !os.VersionText().empty() ? StringC(os.VersionText())
                                                        : hx::Format("%d,%d,0,0", os.Major(), os.Minor()));
  const StringC& id = os.DistributorId();
  if (id.empty()) return;
  StringC mapped;
  if (ReadProductValue(c_OSNameMapKey, id, mapped)) {
    if (!mapped.empty()) mapped += ";";
  } else if (const char* names = DistributorNames(id)) {
    mapped = StringC(names) + ";";
  }
  SetDefaultText(c_OSNames, DefaultText(c_OSNames) + ";" + mapped + id);
  env_SetSingle(env, c_OSDistributorId, id);
}

void env_EnvDefaultBuilderC::SetSystemFolders(env_DefaultSinkI& env) {
  env_SetSingle(env, EnvUnixC::c_CommonAppDataFolder, EnvUnixC::GetCommonAppDataFolder());
  env_SetSingle(env, EnvUnixC::c_InstallDir, EnvUnixC::GetInstallDir());
  // The instruction-set name comes from sysinfo on Solaris; uname's machine name stands in.
  hx::UnameT u;
  if (hx::ReadUname(u) && !u.machine.empty()) env_SetSingle(env, "Architecture", u.machine);
}
