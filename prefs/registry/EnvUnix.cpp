#include "prefs/registry/EnvUnix.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/ErrCatSwitch.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/Tracer.h"
#include "prefs/registry/ConfigurationIni.h"

namespace {

constexpr const char* kTraceCategory = "Tracker/Registry";
constexpr const char* kConfigIniVariable = "TARVOSKCONFIGINI";
constexpr const char* kBootstrapIniVariable = "TARVOSKINI";
constexpr const char* kInstallDirVariable = "TARVOSKINSTALLDIR";
constexpr const char* kDataDirVariable = "TARVOSKDATADIR";
constexpr const char* kLibSubdir = "/lib";

std::mutex g_sslLock;  // guards both below
StringC g_sslLibraryDir;
StringC g_configFile;

ConfRegistryIniC& Registry() { return *getConfiguration(1)->registry(); }

bool IsExistingFile(const char* path) {
  struct stat st {};
  return path && *path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

const char* EnvValue(const char* name) { return std::getenv(name); }

// The SSL library loader finds its libraries below the install directory.
void PointSslLoaderAt(const StringC& installDir) {
  std::lock_guard<std::mutex> g(g_sslLock);
  g_sslLibraryDir = installDir + kLibSubdir;
}

// Mounts a configuration file at the product's root; the last one mounted is the one in use.
void Mount(ConfRegistryIniC& reg, const StringC& path) {
  // A fixed mount point: AddIniFile fails only for a file mounted already, which is in place.
  HX_IGNORE_RESULT(reg.AddIniFile(path, EnvUnixC::c_MountRoot, EnvUnixC::c_MountSubKey));
  std::lock_guard<std::mutex> g(g_sslLock);
  g_configFile = path;
}

HX_NODISCARD hx::ResultT ReadProductValue(const char* name, StringC* value) {
  return Registry().ReadString(HKEY_LOCAL_MACHINE, EnvUnixC::c_ProductKey, name, value);
}

// Writes name=value into the product key unless it holds that value already.
void CarryOver(const char* name, const StringC& value) {
  StringC current;
  if (hx::Succeeded(ReadProductValue(name, &current)) && current == value) return;
  hx::ResultT rc = Registry().CreateString(HKEY_LOCAL_MACHINE, EnvUnixC::c_ProductKey, name, value);
  if (hx::Failed(rc)) hx::Trace(kTraceCategory, "Cannot write %s: %#x", name, static_cast<uint32_t>(rc));
}

// A configuration file is read only from a place that root or the running user alone
// controls: it names the plug-ins and the uploader that root will load.
bool IsTrustedConfig(const std::string& path) {
  hx::TrustFailureT failure;
  if (hx::Succeeded(hx::CheckTrustedPlace(path, &failure))) return true;
  hx::ReportRefusal(failure);
  return false;
}

// The configuration file named by the environment: it alone is mounted, and the directories
// given in the environment are written into it, as the other agent components find them there.
HX_NODISCARD hx::ResultT UseConfigIni(const char* path) {
  if (!IsTrustedConfig(path)) return hx::RC_UNTRUSTED;
  ConfRegistryIniC& reg = Registry();
  Mount(reg, path);
  if (const char* installDir = EnvValue(kInstallDirVariable)) {
    CarryOver(EnvUnixC::c_InstallDir, installDir);
    CarryOver(EnvUnixC::c_InstallDirectory, installDir);
    PointSslLoaderAt(installDir);
  }
  if (const char* dataDir = EnvValue(kDataDirVariable)) CarryOver(EnvUnixC::c_CommonAppDataFolder, dataDir);
  return hx::RC_OK;
}

// The bootstrap file names the install and data directories; the data directory's own
// configuration file then takes its place and is kept in step with it.
HX_NODISCARD hx::ResultT UseBootstrapIni() {
  const char* chosen = EnvValue(kBootstrapIniVariable);
  const char* bootstrap = IsExistingFile(chosen) ? chosen : EnvUnixC::c_BootstrapIni;
  ConfRegistryIniC& reg = Registry();
  if (IsExistingFile(bootstrap)) {
    if (!IsTrustedConfig(bootstrap)) return hx::RC_UNTRUSTED;
    Mount(reg, bootstrap);
  }

  StringC installDir, dataDir, version;
  hx::ResultT rc = ReadProductValue(EnvUnixC::c_InstallDir, &installDir);
  if (hx::Failed(rc)) return ReadProductValue(EnvUnixC::c_ProductVersion, &version);

  const hx::ResultT dataRc = ReadProductValue(EnvUnixC::c_CommonAppDataFolder, &dataDir);
  const hx::ResultT versionRc = ReadProductValue(EnvUnixC::c_ProductVersion, &version);
  rc = versionRc;
  if (hx::Succeeded(dataRc)) {
    const StringC dataIni = dataDir + EnvUnixC::c_DataIni;
    // The data directory's own file names plug-ins too; a data directory that somebody else
    // made (it lies below /var/tmp by default) must not feed root its configuration.
    if (!IsTrustedConfig(dataIni)) return hx::RC_UNTRUSTED;
    Mount(reg, dataIni);
    CarryOver(EnvUnixC::c_InstallDir, installDir);
    CarryOver(EnvUnixC::c_InstallDirectory, installDir);
    CarryOver(EnvUnixC::c_CommonAppDataFolder, dataDir);
    if (hx::Succeeded(versionRc)) CarryOver(EnvUnixC::c_ProductVersion, version);
  }
  if (!installDir.empty()) PointSslLoaderAt(installDir);
  return rc;
}

}  // namespace

hx::ResultT EnvUnixC::InitRegistry() {
  ConfRegistryIniC& reg = Registry();
  reg.Reset();
  {
    std::lock_guard<std::mutex> g(g_sslLock);
    g_sslLibraryDir.clear();
    g_configFile.clear();
  }
  // From now on the message catalogs are found through the registry's install directory; a
  // machine without one keeps the environment's.
  hx::SetInstallDirSource([]() -> std::string {
    StringC dir;
    if (hx::Succeeded(ReadProductValue(c_InstallDir, &dir)) && !dir.empty()) return dir;
    const char* env = EnvValue(kInstallDirVariable);
    return env ? env : "";
  });

  const char* configIni = EnvValue(kConfigIniVariable);
  const hx::ResultT rc = IsExistingFile(configIni) ? UseConfigIni(configIni) : UseBootstrapIni();
  hx::Trace(kTraceCategory, "Configuration registry initialised: %#x", static_cast<uint32_t>(rc));
  return rc;
}

StringC EnvUnixC::GetInstallDir() {
  StringC dir;
  if (hx::Succeeded(ReadProductValue(c_InstallDir, &dir)) && !dir.empty()) return dir;
  return c_DefaultInstallDir;
}

StringC EnvUnixC::GetCommonAppDataFolder() {
  StringC dir;
  if (hx::Succeeded(ReadProductValue(c_CommonAppDataFolder, &dir)) && !dir.empty()) return dir;
  return c_DefaultDataDir;
}

StringC EnvUnixC::GetConfigFile() {
  std::lock_guard<std::mutex> g(g_sslLock);
  return g_configFile;
}

StringC EnvUnixC::GetSslLibraryDir() {
  std::lock_guard<std::mutex> g(g_sslLock);
  return g_sslLibraryDir;
}
