// The configuration registry over mounted INI files: mounting, key lookup, the value queries,
// enumeration, writing and deleting that its readers and writers use.

#include "prefs/registry/ConfRegistryIni.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kCompany = "Software\\Tarvosk Corp";
constexpr const char* kTracker = "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion";

const char* kContent =
    "[Tarvosk\\Tracker\\CurrentVersion]\nName=abcdef\nNum=42\nEmpty=\n[Tarvosk\\Tracker\\CurrentVersion\\SunOS]\nX=1\n"
    "[Tarvosk\\Common]\n[Tarvosk]\nInstallDir=/opt/x\n";

class RegistryKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    path_ = dir_.Write("t.ini", kContent);
    ASSERT_EQ(reg_.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  }
  hxtest::TempDirC dir_{"hx-reg-keys"};
  std::string path_;
  ConfRegistryIniC reg_;
};

TEST_F(RegistryKeys, OpensSectionsAndIntermediateKeysBelowTheMountPoint) {
  struct { const char* subkey; hx::ResultT rc; } cases[] = {
      {kTracker, CONF_REG_OK},
      {"SOFTWARE\\TARVOSK CORP\\tarvosk\\tracker\\currentversion", CONF_REG_OK},
      {"\\Software\\Tarvosk Corp\\Tarvosk\\Tracker\\", CONF_REG_OK},        // intermediate, separators at the ends
      {"Software\\Tarvosk Corp\\Tarvosk", CONF_REG_OK},                     // has its own section
      {"Software\\Policies\\Tarvosk Corp\\Tarvosk", CONF_REG_E_NOT_FOUND},  // no file mounted there
      {"Software\\Tarvosk Corp", CONF_REG_E_NOT_FOUND},                     // the mount point itself
      {"Software\\Tarvosk Corp\\Tarvosk\\Track", CONF_REG_E_NOT_FOUND},     // only whole components
      {"Software\\Tarvosk CorpX\\Tarvosk", CONF_REG_E_NOT_FOUND},
      {"Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\Linux", CONF_REG_E_NOT_FOUND},
  };
  for (const auto& c : cases) {
    ConfHKEY h = CONF_HKEY_NONE;
    EXPECT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, c.subkey, CONF_KEY_READ, &h), c.rc) << c.subkey;
    EXPECT_TRUE(c.rc != CONF_REG_OK || (h != CONF_HKEY_NONE && !ConfIsPredefinedKey(h) && reg_.CloseKey(h) == CONF_REG_OK))
        << c.subkey;
  }
  ConfHKEY h = CONF_HKEY_NONE;
  EXPECT_EQ(reg_.OpenKey(HKEY_CURRENT_USER, kTracker, CONF_KEY_READ, &h), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.OpenKey(4711, "x", CONF_KEY_READ, &h), CONF_REG_E_INVALID_HANDLE);
}

TEST_F(RegistryKeys, OpenKeysAreCountedByPath) {
  ConfHKEY a = 0, b = 0, c = 0, sub = 0;
  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, kTracker, CONF_KEY_READ, &a), CONF_REG_OK);
  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, "software\\tarvosk corp\\TARVOSK\\tracker\\CurrentVersion", CONF_KEY_READ, &b), CONF_REG_OK);
  EXPECT_EQ(a, b);
  ASSERT_EQ(reg_.OpenKey(a, "", CONF_KEY_READ, &c), CONF_REG_OK);  // the key itself, once more
  EXPECT_EQ(c, a);
  // Relative to an open key.
  ASSERT_EQ(reg_.OpenKey(a, "SunOS", CONF_KEY_READ, &sub), CONF_REG_OK);
  StringC x;
  EXPECT_EQ(reg_.ReadString(sub, "", "X", &x), CONF_REG_OK);
  EXPECT_EQ(x, "1");
  EXPECT_EQ(reg_.CloseKey(sub), CONF_REG_OK);

  for (int i = 0; i < 3; ++i) EXPECT_EQ(reg_.CloseKey(a), CONF_REG_OK) << i;
  EXPECT_EQ(reg_.CloseKey(a), CONF_REG_E_INVALID_HANDLE);
  EXPECT_EQ(reg_.CloseKey(HKEY_LOCAL_MACHINE), CONF_REG_OK);  // roots stay open
}

// What the preference reader and the typed values ask: a value's type and size, and whether it
// is there.
TEST_F(RegistryKeys, TypeSizeAndPresenceOfValues) {
  ConfHKEY h = 0;
  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, kTracker, CONF_KEY_READ, &h), CONF_REG_OK);
  const std::tuple<const char*, hx::ResultT, uint32_t> cases[] = {
      {"Name", CONF_REG_OK, 7}, {"nAmE", CONF_REG_OK, 7}, {"Empty", CONF_REG_OK, 1}, {"Nope", CONF_REG_E_NOT_FOUND, 0}};
  for (const auto& [name, rc, size] : cases) {
    uint32_t type = 0, got = 0;
    EXPECT_EQ(reg_.ConfRegQueryValueEx(h, name, &type, nullptr, &got), rc) << name;
    EXPECT_EQ(got, size) << name;
    EXPECT_TRUE(rc != CONF_REG_OK || type == CONF_REG_SZ) << name;
    EXPECT_EQ(reg_.ExistsBytes(HKEY_LOCAL_MACHINE, kTracker, name, nullptr, nullptr), rc) << name;
  }
  EXPECT_EQ(reg_.ConfRegQueryValueEx(HKEY_LOCAL_MACHINE, "Name", nullptr, nullptr, nullptr), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.ConfRegQueryValueEx(999, "Name", nullptr, nullptr, nullptr), CONF_REG_E_INVALID_HANDLE);
  EXPECT_EQ(reg_.CloseKey(h), CONF_REG_OK);
}

TEST_F(RegistryKeys, EnumeratesValuesAndSubkeysInStoredOrder) {
  ConfHKEY h = 0;
  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, kTracker, CONF_KEY_READ, &h), CONF_REG_OK);
  std::string names;
  StringC name;
  for (uint32_t i = 0; reg_.GetEnumeratedValue(h, i, &name, nullptr, nullptr, nullptr) == CONF_REG_OK; ++i)
    names += name + ",";
  EXPECT_EQ(names, "Name,Num,Empty,");
  EXPECT_EQ(reg_.GetEnumeratedKey(h, 0, &name), CONF_REG_OK);
  EXPECT_EQ(name, "SunOS");
  EXPECT_EQ(reg_.GetEnumeratedKey(h, 1, &name), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.CloseKey(h), CONF_REG_OK);

  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk", CONF_KEY_READ, &h), CONF_REG_OK);
  std::string keys;
  for (uint32_t i = 0; reg_.GetEnumeratedKey(h, i, &name) == CONF_REG_OK; ++i) keys += name + ",";
  EXPECT_EQ(keys, "Tracker,Common,");  // each subkey once, though two sections continue "Tracker"
  EXPECT_EQ(reg_.CloseKey(h), CONF_REG_OK);
  EXPECT_EQ(reg_.GetEnumeratedValue(h, 0, &name, nullptr, nullptr, nullptr), CONF_REG_E_INVALID_HANDLE);
}

TEST_F(RegistryKeys, MountingReplacesByMountPointAndRefusesTheSameFile) {
  EXPECT_EQ(reg_.AddIniFile(path_, "HKEY_LOCAL_MACHINE", "Other"), CONF_REG_E_MOUNTED);
  EXPECT_EQ(reg_.AddIniFile(dir_.File("x.ini"), "", kCompany), CONF_REG_E_INVALID_PARAM);
  EXPECT_EQ(reg_.AddIniFile(dir_.File("x.ini"), "HKXX", kCompany), CONF_REG_E_INVALID_PARAM);

  const std::string second = dir_.Write("second.ini", "[Tarvosk\\Second]\nV=2\n");
  ASSERT_EQ(reg_.AddIniFile(second, "hkey_local_machine", "\\SOFTWARE\\tarvosk corp\\"), CONF_REG_OK);
  EXPECT_EQ(reg_.MountedFiles(), std::vector<StringC>{second});
  StringC v;
  EXPECT_EQ(reg_.ReadString(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Second", "V", &v), CONF_REG_OK);
  EXPECT_EQ(reg_.ReadString(HKEY_LOCAL_MACHINE, kTracker, "Name", &v), CONF_REG_E_NOT_FOUND);
}

TEST_F(RegistryKeys, OnlyTheFirstFileAboveAPathIsAsked) {
  // A file mounted deeper than the first one is shadowed by it for every path below both.
  const std::string deeper = dir_.Write("deeper.ini", "[Own]\nV=deep\n");
  ASSERT_EQ(reg_.AddIniFile(deeper, "HKLM", "Software\\Tarvosk Corp\\Tarvosk"), CONF_REG_OK);
  StringC v;
  EXPECT_EQ(reg_.ReadString(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Own", "V", &v),
            CONF_REG_E_NOT_FOUND);

  ConfRegistryIniC other;
  ASSERT_EQ(other.AddIniFile(deeper, "HKLM", "Software\\Tarvosk Corp\\Tarvosk"), CONF_REG_OK);
  ASSERT_EQ(other.AddIniFile(path_, "HKLM", kCompany), CONF_REG_OK);
  EXPECT_EQ(other.ReadString(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Own", "V", &v), CONF_REG_OK);
  EXPECT_EQ(v, "deep");
}

TEST_F(RegistryKeys, WritesCreateTheirSections) {
  const char* kNew = "Software\\Tarvosk Corp\\Tarvosk\\Uploader\\CurrentVersion";
  ASSERT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, kNew, "Server", "file:///srv"), CONF_REG_OK);
  EXPECT_NE(hxtest::ReadFile(path_).find("[Tarvosk\\Uploader\\CurrentVersion]\nServer=file:///srv\n"),
            std::string::npos);
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, kNew, "bad=name", "v"), CONF_REG_E_INVALID_PARAM);
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, "Software\\Elsewhere", "V", "v"), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, "", "V", "v"), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.DeleteValue(HKEY_LOCAL_MACHINE, kNew, "server"), CONF_REG_OK);
  EXPECT_EQ(reg_.DeleteValue(HKEY_LOCAL_MACHINE, kNew, "Server"), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(hxtest::ReadFile(path_).find("Server="), std::string::npos);
}

}  // namespace
