// Start-up of the configuration: which INI file gets mounted for which environment, what is
// carried over into the data directory's file, and the directory defaults.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "foundation/messages/ErrCatSwitch.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kProduct = "Software\\Tarvosk Corp\\Tarvosk";

class RegistryInit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    for (const char* name : {"TARVOSKCONFIGINI", "TARVOSKINI", "TARVOSKINSTALLDIR", "TARVOSKDATADIR"})
      env_.Set(name, nullptr);
  }
  void TearDown() override {
    Registry().Reset();
    hx::SetInstallDirSource({});
  }
  static ConfRegistryIniC& Registry() { return *getConfiguration(1)->registry(); }
  static StringC Product(const char* name) {
    StringC v;
    return Registry().ReadString(HKEY_LOCAL_MACHINE, kProduct, name, &v) == CONF_REG_OK ? v : "<missing>";
  }

  hxtest::TempDirC dir_{"hx-reg-init"};
  hxtest::ScopedEnvC env_;
};

TEST_F(RegistryInit, ConfigIniFromTheEnvironmentIsMountedAlone) {
  const std::string ini = dir_.Write("agent.ini", "[Tarvosk]\nInstallDir=/from/file\nServer=s\n");
  env_.Set("TARVOSKCONFIGINI", ini.c_str());
  env_.Set("TARVOSKINI", dir_.Write("bootstrap.ini", "[Tarvosk]\nInstallDir=/never\n").c_str());
  env_.Set("TARVOSKINSTALLDIR", "/inst");
  env_.Set("TARVOSKDATADIR", "/data");

  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  EXPECT_EQ(Registry().MountedFiles(), std::vector<StringC>{ini});
  EXPECT_EQ(Product("Server"), "s");
  EXPECT_EQ(EnvUnixC::GetInstallDir(), "/inst");
  EXPECT_EQ(Product("InstallDirectory"), "/inst");
  EXPECT_EQ(EnvUnixC::GetCommonAppDataFolder(), "/data");
  EXPECT_EQ(EnvUnixC::GetSslLibraryDir(), "/inst/lib");
  EXPECT_EQ(hx::GetInstallDir(), "/inst");  // the message catalogs follow the registry
  // The environment's directories are written into the file, where other components read them.
  const std::string after = hxtest::ReadFile(ini);
  for (const char* line : {"InstallDir=/inst\n", "InstallDirectory=/inst\n", "CommonAppDataFolder=/data\n", "Server=s\n"})
    EXPECT_NE(after.find(line), std::string::npos) << line << " in " << after;
}

TEST_F(RegistryInit, ConfigIniWithoutDirectoriesKeepsTheFilesValues) {
  const std::string ini = dir_.Write("agent.ini", "[Tarvosk]\nInstallDir=/from/file\n");
  env_.Set("TARVOSKCONFIGINI", ini.c_str());
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  EXPECT_EQ(EnvUnixC::GetInstallDir(), "/from/file");
  EXPECT_EQ(EnvUnixC::GetCommonAppDataFolder(), EnvUnixC::c_DefaultDataDir);
  EXPECT_EQ(EnvUnixC::GetSslLibraryDir(), "");
}

TEST_F(RegistryInit, BootstrapNamesTheDataDirectoryWhoseFileTakesOver) {
  const std::string data = dir_.File("data");
  env_.Set("TARVOSKCONFIGINI", dir_.File("missing.ini").c_str());  // not a file: ignored
  env_.Set("TARVOSKINI", dir_.Write("bootstrap.ini", "[Tarvosk]\nInstallDir=/opt/t\nCommonAppDataFolder=" + data +
                                                         "\nProductVersion=9.1\nOnlyInBootstrap=1\n")
                             .c_str());
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  const std::string config = data + "/etc/config.ini";
  EXPECT_EQ(Registry().MountedFiles(), std::vector<StringC>{config});
  EXPECT_EQ(Product("OnlyInBootstrap"), "<missing>");
  EXPECT_EQ(hxtest::ReadFile(config),
            "[Tarvosk]\nInstallDir=/opt/t\nInstallDirectory=/opt/t\nCommonAppDataFolder=" + data +
                "\nProductVersion=9.1\n");
  EXPECT_EQ(EnvUnixC::GetSslLibraryDir(), "/opt/t/lib");
  EXPECT_EQ(hx::GetInstallDir(), "/opt/t");
}

TEST_F(RegistryInit, DataDirectoryFileIsOnlyWrittenWhereItDiffers) {
  const std::string data = dir_.File("data");
  const std::string config = dir_.Write("data/etc/config.ini", "[Tarvosk]\nInstallDir=/opt/t\nInstallDirectory=/opt/t\n"
                                                               "CommonAppDataFolder=" + data + "\nOwn=kept\n");
  env_.Set("TARVOSKINI", dir_.Write("bootstrap.ini", "[Tarvosk]\nInstallDir=/opt/t\nCommonAppDataFolder=" + data +
                                                         "\n").c_str());
  struct stat before {};
  ASSERT_EQ(stat(config.c_str(), &before), 0);
  // Without a version value the last read fails, and start-up goes on all the same.
  EXPECT_EQ(EnvUnixC::InitRegistry(), CONF_REG_E_NOT_FOUND);
  struct stat after {};
  ASSERT_EQ(stat(config.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // never replaced: nothing differed
  EXPECT_EQ(Product("Own"), "kept");

  // A different install directory in the bootstrap file is carried over.
  hxtest::WriteFile(dir_.File("bootstrap.ini"), "[Tarvosk]\nInstallDir=/opt/new\nCommonAppDataFolder=" + data +
                                                    "\nProductVersion=2\n");
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  EXPECT_EQ(hxtest::ReadFile(config), "[Tarvosk]\nInstallDir=/opt/new\nInstallDirectory=/opt/new\n"
                                      "CommonAppDataFolder=" + data + "\nOwn=kept\nProductVersion=2\n");
}

TEST_F(RegistryInit, BootstrapWithoutDataDirectoryStaysMounted) {
  const std::string boot = dir_.Write("bootstrap.ini", "[Tarvosk]\nInstallDir=/opt/t\nProductVersion=1\n");
  env_.Set("TARVOSKINI", boot.c_str());
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  EXPECT_EQ(Registry().MountedFiles(), std::vector<StringC>{boot});
  EXPECT_EQ(EnvUnixC::GetSslLibraryDir(), "/opt/t/lib");

  hxtest::WriteFile(boot, "[Tarvosk]\nProductVersion=1\n");
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);  // the version read is the last one
  EXPECT_EQ(EnvUnixC::GetSslLibraryDir(), "");
  EXPECT_EQ(EnvUnixC::GetInstallDir(), EnvUnixC::c_DefaultInstallDir);
}

TEST_F(RegistryInit, NothingToMountGivesDefaultsAndNotFound) {
  if (access(EnvUnixC::c_BootstrapIni, F_OK) == 0) GTEST_SKIP() << "this machine has a bootstrap file";
  env_.Set("TARVOSKINI", dir_.File("missing.ini").c_str());
  EXPECT_EQ(EnvUnixC::InitRegistry(), CONF_REG_E_NOT_FOUND);
  EXPECT_TRUE(Registry().MountedFiles().empty());
  EXPECT_EQ(Product("InstallDir"), "<missing>");
  EXPECT_EQ(EnvUnixC::GetInstallDir(), "/opt/tarvosk");
  EXPECT_EQ(EnvUnixC::GetCommonAppDataFolder(), "/var/tmp/tarvosk");
}

}  // namespace
