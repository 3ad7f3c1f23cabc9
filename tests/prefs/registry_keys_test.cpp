// The configuration registry over mounted INI files: mounting, key lookup, value queries with
// their buffer rules, enumeration, writing and deleting.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "prefs/registry/ConfRegistryIni.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kCompany = "Software\\Tarvosk Corp";
constexpr const char* kTracker = "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion";

const char* kContent =
    "[Tarvosk\\Tracker\\CurrentVersion]\n"
    "Name=abcdef\n"
    "Num=42\n"
    "Empty=\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS]\n"
    "X=1\n"
    "[Tarvosk\\Common]\n"
    "[Tarvosk]\n"
    "InstallDir=/opt/x\n";

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

TEST_F(RegistryKeys, QueryFollowsTheBufferRules) {
  ConfHKEY h = 0;
  ASSERT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, kTracker, CONF_KEY_READ, &h), CONF_REG_OK);
  struct { const char *what, *name; bool buffer, withSize; uint32_t size; hx::ResultT rc; uint32_t sizeAfter; } cases[] = {
      {"size only", "Name", false, true, 0, CONF_REG_OK, 7},
      {"buffer too small", "Name", true, true, 4, CONF_REG_E_MORE_DATA, 7},
      {"buffer without size", "Name", true, false, 0, CONF_REG_E_INVALID_PARAM, 0},
      {"exact buffer", "Name", true, true, 7, CONF_REG_OK, 7},
      {"larger buffer", "Name", true, true, 64, CONF_REG_OK, 7},
      {"empty value", "Empty", true, true, 1, CONF_REG_OK, 1},
      {"names ignore case", "nAmE", false, true, 0, CONF_REG_OK, 7},
      {"missing value", "Nope", false, true, 0, CONF_REG_E_NOT_FOUND, 0},
  };
  for (const auto& c : cases) {
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    uint32_t size = c.size, type = 0;
    const hx::ResultT rc =
        reg_.ConfRegQueryValueEx(h, c.name, &type, c.buffer ? buf : nullptr, c.withSize ? &size : nullptr);
    EXPECT_EQ(rc, c.rc) << c.what;
    EXPECT_TRUE(!c.withSize || rc == CONF_REG_E_NOT_FOUND || size == c.sizeAfter) << c.what;
    EXPECT_TRUE(rc != CONF_REG_OK || type == CONF_REG_SZ) << c.what;
    EXPECT_TRUE(rc != CONF_REG_OK || !c.buffer || std::string(buf) == (c.sizeAfter == 7 ? "abcdef" : "")) << c.what;
  }
  EXPECT_EQ(reg_.ConfRegQueryValueEx(HKEY_LOCAL_MACHINE, "Name", nullptr, nullptr, nullptr), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.ConfRegQueryValueEx(999, "Name", nullptr, nullptr, nullptr), CONF_REG_E_INVALID_HANDLE);
  reg_.CloseKey(h);

  uint32_t size = 0, type = 0;
  EXPECT_EQ(reg_.ExistsBytes(HKEY_LOCAL_MACHINE, kTracker, "Num", &size, &type), CONF_REG_OK);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(reg_.ExistsBytes(HKEY_LOCAL_MACHINE, kTracker, "Nope", &size, &type), CONF_REG_E_NOT_FOUND);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(reg_.ReadBytes(HKEY_LOCAL_MACHINE, kTracker, "Name", small, &size, &type), CONF_REG_E_MORE_DATA);
  EXPECT_EQ(size, 7u);
}

TEST_F(RegistryKeys, EnumeratesValuesAndSubkeysInStoredOrder) {
  ConfHKEY h = 0;
  ASSERT_EQ(reg_.StartEnumerate(HKEY_LOCAL_MACHINE, kTracker, &h), CONF_REG_OK);
  std::string names;
  StringC name;
  uint32_t i = 0;
  for (; reg_.GetEnumeratedValue(h, i, &name, nullptr, nullptr, nullptr) == CONF_REG_OK; ++i) names += name + ",";
  EXPECT_EQ(names, "Name,Num,Empty,");
  char buf[4];
  uint32_t size = sizeof buf, type = 0;
  EXPECT_EQ(reg_.GetEnumeratedValue(h, 1, &name, &type, buf, &size), CONF_REG_OK);
  EXPECT_EQ(std::string(buf), "42");
  EXPECT_EQ(reg_.GetEnumeratedValue(h, 0, &name, &type, buf, &size), CONF_REG_E_MORE_DATA);
  EXPECT_EQ(reg_.GetEnumeratedKey(h, 0, &name), CONF_REG_OK);
  EXPECT_EQ(name, "SunOS");
  EXPECT_EQ(reg_.GetEnumeratedKey(h, 1, &name), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.EndEnumerate(h), CONF_REG_OK);

  ASSERT_EQ(reg_.StartEnumerate(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk", &h), CONF_REG_OK);
  std::string keys;
  for (i = 0; reg_.GetEnumeratedKey(h, i, &name) == CONF_REG_OK; ++i) keys += name + ",";
  EXPECT_EQ(keys, "Tracker,Common,");  // each subkey once, though two sections continue "Tracker"
  EXPECT_EQ(reg_.EndEnumerate(h), CONF_REG_OK);
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

TEST_F(RegistryKeys, WritesCreateKeysAndDeletesRemoveThem) {
  const char* kNew = "Software\\Tarvosk Corp\\Tarvosk\\Uploader\\CurrentVersion";
  ASSERT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, kNew, "Server", "file:///srv"), CONF_REG_OK);
  EXPECT_NE(hxtest::ReadFile(path_).find("[Tarvosk\\Uploader\\CurrentVersion]\nServer=file:///srv\n"),
            std::string::npos);

  ConfHKEY h = 0;
  ASSERT_EQ(reg_.CreateKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Empty", &h), CONF_REG_OK);
  EXPECT_EQ(reg_.CloseKey(h), CONF_REG_OK);
  EXPECT_NE(hxtest::ReadFile(path_).find("[Tarvosk\\Empty]\n"), std::string::npos);

  StringC v;
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, kNew, "bad=name", "v"), CONF_REG_E_INVALID_PARAM);
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, "Software\\Elsewhere", "V", "v"), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.CreateString(HKEY_LOCAL_MACHINE, "", "V", "v"), CONF_REG_E_NOT_FOUND);

  EXPECT_EQ(reg_.DeleteValue(HKEY_LOCAL_MACHINE, kNew, "server"), CONF_REG_OK);
  EXPECT_EQ(reg_.DeleteValue(HKEY_LOCAL_MACHINE, kNew, "Server"), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(hxtest::ReadFile(path_).find("Server="), std::string::npos);

  // Without recursion only the key's own section goes; its subkeys stay.
  EXPECT_EQ(reg_.DeleteKey(HKEY_LOCAL_MACHINE, kTracker, false), CONF_REG_OK);
  EXPECT_EQ(reg_.ReadString(HKEY_LOCAL_MACHINE, kTracker, "Name", &v), CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(reg_.ReadString(HKEY_LOCAL_MACHINE, std::string(kTracker) + "\\SunOS", "X", &v), CONF_REG_OK);
  EXPECT_EQ(reg_.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Tracker", true), CONF_REG_OK);
  EXPECT_EQ(reg_.OpenKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk\\Tracker", CONF_KEY_READ, &h),
            CONF_REG_E_NOT_FOUND);
  EXPECT_EQ(hxtest::ReadFile(path_).find("Tracker"), std::string::npos);
}

}  // namespace
