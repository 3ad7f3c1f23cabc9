// INI content as the configuration registry reads and writes it: what a hand-edited or
// damaged file reads as, that the written form reads back the same, that saving merges with
// what other writers put into the file meanwhile; and start-up: which file gets mounted for
// which environment, and what is carried over into the data directory's file.

#include "foundation/messages/EarlyLog.h"
#include "foundation/messages/ErrCatSwitch.h"
#include "prefs/registry/ConfRegIniFile.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/registry/Prefs.h"
#include "support/TestSupport.h"

namespace {

// The value stored under section and name, or "<missing>".
std::string ValueAt(PrefsC& p, const char* section, const char* name) {
  return p.Find(section, name) != nullptr ? p.Find(section, name)->value : "<missing>";
}

TEST(RegistryIni, ParsesLinesByTheFileRules) {
  // The cases: file content, then the written form of what was read; and a last line without
  // a line end.
  std::vector<hxtest::TextCaseT> cases = hxtest::TextCases("ini-lines.txt");
  cases.push_back({"tabs and no final newline", {"\t[s]\t\n\tk\t=\tv\t", "[s]\nk=v\n"}});
  for (const hxtest::TextCaseT& c : cases) {
    PrefsC p;
    p.Parse(c.texts.at(0));
    EXPECT_EQ(p.Text(), c.texts.at(1)) << c.what;
    PrefsC again;
    again.Parse(p.Text());
    EXPECT_EQ(again.Text(), c.texts.at(1)) << c.what << " (read back)";
  }
}

TEST(RegistryIni, LookupIgnoresCaseButKeepsSpelling) {
  PrefsC p;
  p.Parse("[Tarvosk\\Tracker]\nInstallDir=/opt/Tarvosk\nServer = https://h/hx?a=b==c\n"
          "[Tarvosk\\Tracker\\CurrentVersion\\SunOS]\n");
  EXPECT_EQ(ValueAt(p, "Tarvosk\\Tracker", "Server"), "https://h/hx?a=b==c");  // the name ends at the first "="
  ASSERT_NE(p.Find("tarvosk\\TRACKER", "installdir"), nullptr);
  EXPECT_EQ(p.Find("tarvosk\\TRACKER", "installdir")->name, "InstallDir");
  EXPECT_EQ(ValueAt(p, "tarvosk\\TRACKER", "installdir"), "/opt/Tarvosk");  // values keep case
  EXPECT_TRUE(p.HasSectionBelow("TARVOSK\\tracker\\currentversion"));
  EXPECT_TRUE(p.HasSectionBelow("Tarvosk"));
  EXPECT_FALSE(p.HasSectionBelow("Tarvosk\\Track"));
  EXPECT_FALSE(p.HasSectionBelow("Tarvosk\\Tracker\\CurrentVersion\\SunOS"));
}

TEST(RegistryIni, ReadsWhatCanBeReadFromDamagedInput) {
  // Binary bytes, including zero bytes, stay in the values they belong to.
  const std::string binary = std::string("k=a\0b\xff", 6) + "\n\x01\x02garbage\n[s]\nx=\xc3\x28\n";
  PrefsC p;
  p.Parse(binary);
  EXPECT_EQ(ValueAt(p, "", "k"), std::string("a\0b\xff", 4));
  EXPECT_EQ(ValueAt(p, "s", "x"), "\xc3\x28");

  // Very long lines are neither cut nor a reason to give up on the lines after them.
  const std::string longValue(100000, 'v');
  p.Parse("[s]\nlong=" + longValue + "\n" + std::string(100000, '[') + "\nafter=1\n");
  EXPECT_EQ(ValueAt(p, "s", "long"), longValue);
  EXPECT_EQ(ValueAt(p, "s", "after"), "1");
}

TEST(RegistryIni, ChangesAreStoredAsTheFileWillReadThem) {
  PrefsC p;
  EXPECT_TRUE(p.Set("s", " name ", " two\nlines "));
  EXPECT_EQ(ValueAt(p, "s", "name"), "two lines");
  const char* bad[] = {"", "  ", "a=b", ";c", "[d", "e\nf"};
  for (const char* name : bad) EXPECT_FALSE(p.Set("s", name, "v")) << name;
  EXPECT_FALSE(PrefsC::IsStorableSection("a]b"));
  EXPECT_FALSE(PrefsC::IsStorableSection(""));
  EXPECT_TRUE(PrefsC::IsStorableSection("Tarvosk\\Tracker"));
  PrefsC back;
  back.Parse(p.Text());
  EXPECT_EQ(back.Text(), p.Text());
}

class RegistryIniFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.ok()); }
  hxtest::TempDirC dir_{"hx-reg-ini"};
};

// An administrator's file keeps its comments, blank lines, spacing and order: only the lines of
// the values changed change, and what is read back is what the changes made in memory.
TEST_F(RegistryIniFile, SaveChangesOnlyTheLinesOfTheChangedValues) {
  const std::string before =
      "; written by hand\ntop = 1\n\n[Tarvosk]\n; where it goes\nServerLocation = /srv/inv   ; old\nA=1\n\n"
      "[Tarvosk\\Tracker]\nTwice=first\nTwice=second\ngone=x\n\n[Tarvosk]\nB=2\n[Old]\n; its notes\nk=v\n";
  const std::string after =
      "; written by hand\ntop = 1\nnew=n\n\n[Tarvosk]\n; where it goes\nServerLocation = /srv/new\nA=1\n\n"
      "[Tarvosk\\Tracker]\nTwice=first\nTwice=third\n\n[Tarvosk]\nB=2\nC=3\n\n[Added]\nx=1\n";
  const std::string path = dir_.Write("admin.ini", before);
  PrefsC p;
  ASSERT_EQ(p.Load(path), 0);
  ASSERT_TRUE(p.Set("tarvosk", "serverlocation", "/srv/new"));
  ASSERT_TRUE(p.Set("Tarvosk\\Tracker", "Twice", "third"));
  ASSERT_TRUE(p.Set("Tarvosk", "C", "3"));
  ASSERT_TRUE(p.Set("", "new", "n"));
  ASSERT_TRUE(p.Set("Added", "x", "1"));
  p.Remove("Tarvosk\\Tracker", "gone");
  p.RemoveSection("Old", false);
  const std::string inMemory = p.Text();
  ASSERT_EQ(p.Save(path), 0);
  EXPECT_EQ(hxtest::ReadFile(path), after);
  PrefsC back;
  ASSERT_EQ(back.Load(path), 0);
  EXPECT_EQ(back.Text(), inMemory);
}

TEST_F(RegistryIniFile, SaveMergesWithWhatOthersWroteMeanwhile) {
  const std::string path = dir_.Write("t.ini", "[s]\na=1\nc=3\nd=4\n");
  PrefsC p;
  ASSERT_EQ(p.Load(path), 0);
  ASSERT_TRUE(p.Set("s", "a", "ours"));
  ASSERT_TRUE(p.Set("s", "b", "2"));
  p.Remove("s", "c");
  // Another process rewrites the file before we save.
  hxtest::WriteFile(path, "[s]\na=theirs\nc=3\nd=4\ne=5\n[other]\nz=9\n");
  ASSERT_EQ(p.Save(path), 0);
  EXPECT_FALSE(p.HasChanges());

  PrefsC disk;
  ASSERT_EQ(disk.Load(path), 0);
  EXPECT_EQ(disk.Text(), "[s]\na=ours\nd=4\ne=5\nb=2\n\n[other]\nz=9\n");
  EXPECT_EQ(access((path + ".tmp").c_str(), F_OK), -1);
}

TEST_F(RegistryIniFile, SaveKeepsPermissionsLinksAndCreatesDirectories) {
  const std::string path = dir_.Write("t.ini", "[s]\n");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const std::string link = dir_.File("link.ini");
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);

  PrefsC p;
  ASSERT_TRUE(p.Set("s", "k", "v"));
  ASSERT_EQ(p.Save(link), 0);
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(hxtest::ReadFile(path), "[s]\nk=v\n");

  const std::string deep = dir_.File("new/dir/config.ini");
  PrefsC q;
  ASSERT_TRUE(q.Set("s", "k", "v"));
  ASSERT_EQ(q.Save(deep), 0);
  EXPECT_EQ(hxtest::ReadFile(deep), "[s]\nk=v\n");
}

TEST_F(RegistryIniFile, ProcessOnlyValuesSurviveLoadsButAreNeverSaved) {
  const std::string path = dir_.Write("t.ini", "[s]\na=1\n");
  PrefsC p;
  ASSERT_EQ(p.Load(path), 0);
  ASSERT_TRUE(p.SetVolatile("s", "env", "/from/environment"));
  EXPECT_FALSE(p.HasChanges());
  ASSERT_TRUE(p.Set("s", "b", "2"));
  ASSERT_EQ(p.Save(path), 0);
  EXPECT_EQ(hxtest::ReadFile(path), "[s]\na=1\nb=2\n");
  ASSERT_EQ(p.Load(path), 0);
  EXPECT_EQ(ValueAt(p, "s", "env"), "/from/environment");
  // A value set for good later replaces the process-only one, also after a reload.
  ASSERT_TRUE(p.Set("s", "env", "/saved"));
  ASSERT_EQ(p.Save(path), 0);
  ASSERT_EQ(p.Load(path), 0);
  EXPECT_EQ(ValueAt(p, "s", "env"), "/saved");
}

// A missing file reads as empty, silently; one that is there but cannot be read is logged.
TEST_F(RegistryIniFile, MissingFileLoadsEmptyAndAnUnreadableOneIsLogged) {
  PrefsC p;
  p.Parse("[s]\na=1\n");
  EXPECT_LT(p.Load(dir_.File("none.ini")), 0);
  EXPECT_EQ(p.Text(), "");

  const size_t before = hx::EarlyLogCount();
  EXPECT_LT(ConfRegIniFileC(dir_.File("none.ini"), "HKEY_LOCAL_MACHINE", "").read(), 0);
  EXPECT_EQ(hx::EarlyLogCount(), before);
  EXPECT_EQ(ConfRegIniFileC(dir_.Mkdir("a-directory.ini"), "HKEY_LOCAL_MACHINE", "").read(), hx::RcFromErrno(EISDIR));
  EXPECT_EQ(hx::EarlyLogCount(), before + 1);
}

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

// The file TARVOSKCONFIGINI names is mounted alone; the environment's directories win over the
// file's and are written into it, where other components read them.
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
  EXPECT_EQ(hx::GetInstallDir(), "/inst");  // the message catalogs follow the registry
  const std::string after = hxtest::ReadFile(ini);
  for (const char* line : {"InstallDir=/inst\n", "InstallDirectory=/inst\n", "CommonAppDataFolder=/data\n", "Server=s\n"})
    EXPECT_NE(after.find(line), std::string::npos) << line << " in " << after;

  // Without them in the environment the file's values count.
  hxtest::WriteFile(ini, "[Tarvosk]\nInstallDir=/from/file\n");
  env_.Set("TARVOSKINSTALLDIR", nullptr);
  env_.Set("TARVOSKDATADIR", nullptr);
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);
  EXPECT_EQ(EnvUnixC::GetInstallDir(), "/from/file");
  EXPECT_EQ(EnvUnixC::GetCommonAppDataFolder(), EnvUnixC::c_DefaultDataDir);
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
  EXPECT_EQ(EnvUnixC::GetInstallDir(), "/opt/t");

  hxtest::WriteFile(boot, "[Tarvosk]\nProductVersion=1\n");
  EXPECT_EQ(EnvUnixC::InitRegistry(), 0);  // the version read is the last one
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
