#pragma once
// Start-up of the configuration on Unix: finds the agent's INI files and mounts them in the
// process registry, and answers the two directories everything else is placed under.
//
// Values of the product key HKLM\Software\Tarvosk Corp\Tarvosk written or read here:
//   InstallDir            the install directory (lib/, bin/, message catalogs)
//   InstallDirectory      the same directory under the name other agent components read
//   CommonAppDataFolder   the data directory (etc/config.ini, logs, inventories)
//   ProductVersion        the agent's version, carried over into the data directory's file
//
// The environment variables TARVOSKCONFIGINI, TARVOSKINI, TARVOSKINSTALLDIR and TARVOSKDATADIR
// steer the search; /etc/tarvosk.ini is the machine's bootstrap file.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class EnvUnixC {
 public:
  // The key every configuration file is mounted at, and the product key below it.
  static constexpr const char* c_MountRoot = "HKEY_LOCAL_MACHINE";
  static constexpr const char* c_MountSubKey = "Software\\Tarvosk Corp";
  static constexpr const char* c_ProductKey = "Software\\Tarvosk Corp\\Tarvosk";
  static constexpr const char* c_BootstrapIni = "/etc/tarvosk.ini";
  static constexpr const char* c_DataIni = "/etc/config.ini";  // below CommonAppDataFolder

  static constexpr const char* c_InstallDir = "InstallDir";
  static constexpr const char* c_InstallDirectory = "InstallDirectory";
  static constexpr const char* c_CommonAppDataFolder = "CommonAppDataFolder";
  static constexpr const char* c_ProductVersion = "ProductVersion";

  static constexpr const char* c_DefaultInstallDir = "/opt/tarvosk";
  static constexpr const char* c_DefaultDataDir = "/var/tmp/tarvosk";

  // Mounts the configuration files into the process registry, starting from an empty one,
  // and makes the registry the install-directory source of the message catalogs:
  //  1. TARVOSKCONFIGINI naming an existing file: that file alone. TARVOSKINSTALLDIR and
  //     TARVOSKDATADIR, when set, give InstallDir (and InstallDirectory) and
  //     CommonAppDataFolder for this process; they are not written into the file.
  //  2. Otherwise the bootstrap file: TARVOSKINI when it names an existing file, else
  //     /etc/tarvosk.ini (when it exists). When it names InstallDir and CommonAppDataFolder,
  //     CommonAppDataFolder/etc/config.ini replaces it and gets InstallDir, InstallDirectory,
  //     CommonAppDataFolder and ProductVersion written wherever it lacks them or differs.
  // Returns 0 or the status of the last read it made (the ProductVersion read in case 2).
  HX_NODISCARD static hx::ResultT InitRegistry();
  // InstallDir / CommonAppDataFolder of the product key, or the defaults when missing or empty.
  static StringC GetInstallDir();
  static StringC GetCommonAppDataFolder();
  // The configuration file mounted last by InitRegistry (the one values are written back
  // into); empty when none was.
  static StringC GetConfigFile();
  // The directory the SSL library loader was last pointed at (InstallDir + "/lib"); empty
  // before InitRegistry found an install directory.
  static StringC GetSslLibraryDir();
};
