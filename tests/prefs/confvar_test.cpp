// Typed configuration values: where a value is found (command line, user hive, machine hive,
// older key layout, default), the half-second read cache, the typed conversions and the
// trace lines of a read.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "prefs/confvar/ConfVarCmdline.h"
#include "prefs/confvar/ConfVarSet.h"
#include "prefs/registry/ConfClock.h"
#include "prefs/registry/ConfigurationIni.h"
#include "support/TestSupport.h"

namespace {

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }

constexpr const char* kLauncherSection = "[Tarvosk\\Launcher\\CurrentVersion]\n";

class ConfVar : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    // Far enough ahead of every earlier read that no cache from another test applies.
    g_now += 1000 * hx::kConfNsPerSecond;
    hx::ConfSetClock(&FakeNow);
    Registry().Reset();
    ConfVarClearCmdlines();
  }
  void TearDown() override {
    StopTrace();
    Registry().Reset();
    ConfVarClearCmdlines();
    hx::ConfSetClock(nullptr);
  }
  static ConfRegistryIniC& Registry() { return *getConfiguration(1)->registry(); }

  std::string Mount(const std::string& name, const std::string& content, const char* root = "HKLM",
                    const char* subkey = "SOFTWARE\\Tarvosk Corp") {
    const std::string path = dir_.Write(name, content);
    EXPECT_EQ(Registry().AddIniFile(path, root, subkey), CONF_REG_OK);
    return path;
  }
  void StartTrace() { trace_ = std::make_unique<hxtest::TraceCaptureC>("Tracker/Registry"); }
  void StopTrace() {
    if (trace_) traced_ = trace_->Stop();
    trace_.reset();
  }
  size_t Count(const std::string& line) const { return hxtest::Count(traced_, line); }

  hxtest::TempDirC dir_{"hx-confvar"};
  std::unique_ptr<hxtest::TraceCaptureC> trace_;
  std::string traced_;
};

// A read traces where it looked: missing from the machine hive it is the default, then found
// there once a file gives it.
TEST_F(ConfVar, LauncherCacheDirectoryFromItsDefaultOrTheMachineHive) {
  const std::string value = "\"HKLM\\SOFTWARE\\Tarvosk Corp\\Tarvosk\\Launcher\\CurrentVersion\\CacheDirectory\".\n";
  StartTrace();
  EXPECT_EQ(ConfCLauncherCacheDirectory.get(), c_DefaultLauncherCacheDirectory);
  StopTrace();
  EXPECT_EQ(ConfCLauncherCacheDirectory.source(), ConfVarC::SourceDefault);
  for (const std::string& line : {std::string("Getting string ConfVar value\n"), std::string("Looking for \"CacheDirectory\" in registry\n"),
                                  "Searching registry value " + value, "Failed to find registry value " + value,
                                  std::string("Default value CacheDirectory=") + c_DefaultLauncherCacheDirectory + "\n"})
    EXPECT_EQ(Count(line), 1u) << line << traced_;

  g_now += hx::kConfNsPerSecond;
  Mount("t.ini", std::string(kLauncherSection) + "CacheDirectory=/var/cache/apps\n");
  StartTrace();
  EXPECT_EQ(ConfCLauncherCacheDirectory.get(), "/var/cache/apps");
  StopTrace();
  EXPECT_EQ(ConfCLauncherCacheDirectory.source(), ConfVarC::SourceMachine);
  EXPECT_EQ(ConfCLauncherCacheDirectory.locatedRoot(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(ConfCLauncherCacheDirectory.locatedKey(), "SOFTWARE\\Tarvosk Corp\\Tarvosk\\Launcher\\CurrentVersion");
  EXPECT_EQ(Count("Found registry value " + value), 1u) << traced_;
  EXPECT_EQ(Count("Registry value CacheDirectory=/var/cache/apps\n"), 1u) << traced_;
}

TEST_F(ConfVar, ReadsWithinHalfASecondComeFromTheCache) {
  Mount("t.ini", std::string(kLauncherSection) + "CacheDirectory=/first\n");
  const char* key = "SOFTWARE\\Tarvosk Corp\\Tarvosk\\Launcher\\CurrentVersion";
  const struct { int64_t afterNs; const char* expected; } steps[] = {
      {0, "/first"},
      {100000000, "/first"},  // changed meanwhile, but read 0.1 s ago
      {500000000, "/first"},  // exactly half a second still counts as recent
      {500000001, "/second"},
      {200000000, "/second"},
  };
  StartTrace();
  int64_t last = g_now;
  for (const auto& s : steps) {
    g_now = last + s.afterNs;
    EXPECT_EQ(ConfCLauncherCacheDirectory.get(), s.expected) << s.afterNs;
    if (s.afterNs > 500000000) last = g_now;  // the time of the last registry read
    if (s.afterNs == 0) {
      ASSERT_EQ(Registry().CreateString(HKEY_LOCAL_MACHINE, key, "CacheDirectory", "/second"), CONF_REG_OK);
    }
  }
  StopTrace();
  EXPECT_EQ(Count("Getting string ConfVar value\n"), 2u);
}

TEST_F(ConfVar, OlderKeyLayoutIsSearchedWhenTheValueIsMissing) {
  ConfVarStringC server(&ConfCUploaderKey, nullptr, "Server", nullptr, 0xD8, "none");
  ConfVarStringC location(&ConfCUploaderKey, nullptr, "Location", nullptr, 0xD8, "none");
  Mount("old.ini", "[Halvex\\Uploader\\5.0]\nServer=old-server\nLocation=old-location\n", "HKLM",
        "SOFTWARE\\Halvex Software");
  StartTrace();
  EXPECT_EQ(server.get(), "old-server");
  StopTrace();
  EXPECT_EQ(server.locatedKey(), "SOFTWARE\\Halvex Software\\Halvex\\Uploader\\5.0");
  EXPECT_EQ(Count("Failed to find registry value \"HKLM\\SOFTWARE\\Tarvosk Corp\\Tarvosk\\Uploader\\CurrentVersion\\"
                  "Server\".\n"),
            1);
  EXPECT_EQ(Count("Found registry value \"HKLM\\SOFTWARE\\Halvex Software\\Halvex\\Uploader\\5.0\\Server\".\n"), 1u);

  // Once the current layout has the value it wins.
  Mount("new.ini", "[Tarvosk\\Uploader\\CurrentVersion]\nLocation=new-location\n");
  EXPECT_EQ(location.get(), "new-location");
  EXPECT_EQ(location.locatedKey(), "SOFTWARE\\Tarvosk Corp\\Tarvosk\\Uploader\\CurrentVersion");
}

TEST_F(ConfVar, SourceFollowsFlagsAndOverrides) {
  Mount("machine.ini", "[Tarvosk\\Common]\nV=machine\nM=machine\n");
  Mount("user.ini", "[Tarvosk\\Common]\nU=user\nV=user\n", "HKCU", "Software\\Tarvosk Corp");
  const struct {
    const char* what;
    const char* cmdline;
    const char* name;
    int flags;
    int source;
    const char* value;
  } cases[] = {
      {"machine hive allowed", nullptr, "V", 0x08, ConfVarC::SourceMachine, "machine"},
      {"machine hive while local", nullptr, "V", 0x40, ConfVarC::SourceMachine, "machine"},
      {"no hive allowed", nullptr, "V", 0x00, ConfVarC::SourceDefault, "dflt"},
      {"user hive first", nullptr, "V", 0x18, ConfVarC::SourceUser, "user"},
      {"user hive only has it", nullptr, "U", 0x10, ConfVarC::SourceUser, "user"},
      {"user hive misses, machine next", nullptr, "M", 0x18, ConfVarC::SourceMachine, "machine"},
      {"user flag without a name", nullptr, "", 0x18, ConfVarC::SourceDefault, "dflt"},
      {"missing everywhere", nullptr, "Nope", 0xDA, ConfVarC::SourceDefault, "dflt"},
      {"command line wins", "TestOverride", "V", 0xD8, ConfVarC::SourceCmdline, "from-cmdline"},
      {"command-line name without override", "TestUnset", "V", 0xC8, ConfVarC::SourceMachine, "machine"},
  };
  ConfVarSetCmdline("testoverride", "from-cmdline");
  ConfVarSetCmdline("TestOverride", "second");
  for (const auto& c : cases) {
    ConfVarStringC var(&ConfCCommonKey, c.cmdline, c.name, nullptr, c.flags, "dflt");
    EXPECT_EQ(var.get(), c.value) << c.what;
    EXPECT_EQ(var.source(), c.source) << c.what;
  }
  ConfVarStringC noName(&ConfCCommonKey, nullptr, "", nullptr, 0xD8, "x");
  EXPECT_EQ(noName.searchForRegLocn(HKEY_LOCAL_MACHINE, true), hx::RC_FAIL);
}

TEST_F(ConfVar, CommandLineOverridesKeepTheirOrder) {
  StringC first;
  const StringArrayC* all = nullptr;
  EXPECT_EQ(ConfVarGetCmdline("Name", &first), CONF_VAR_E_NO_CMDLINE);
  EXPECT_EQ(ConfVarGetCmdlines("Name", &all), CONF_VAR_E_NO_CMDLINE);
  ConfVarSetCmdline("Name", "a");
  ConfVarSetCmdline("NAME", "b");
  EXPECT_EQ(ConfVarGetCmdline("name", &first), 0);
  EXPECT_EQ(first, "a");
  ASSERT_EQ(ConfVarGetCmdlines("Name", &all), 0);
  EXPECT_EQ(*all, (StringArrayC{"a", "b"}));

  ConfVarStringArrayC list(&ConfCCommonKey, "Name", "L", nullptr, 0xD8, {"d"});
  EXPECT_EQ(list.get(), (StringArrayC{"a", "b"}));
}

TEST_F(ConfVar, TypedValuesConvertTheirText) {
  Mount("t.ini",
        "[Tarvosk\\Common]\nNum=42l\nBig=999\nNeg=-7\nWord=abc\nYes=yes\nOff=OFF\nMaybe=maybe\n"
        "Hex=0A0bff\nOdd=ABC\nList= a; b;;c ;\n");
  const int flags = 0xD8;
  EXPECT_EQ(ConfVarInt32C(&ConfCCommonKey, nullptr, "Num", nullptr, flags, 5, 0, 100).get(), 42);
  EXPECT_EQ(ConfVarInt32C(&ConfCCommonKey, nullptr, "Big", nullptr, flags, 5, 0, 100).get(), 100);
  EXPECT_EQ(ConfVarInt32C(&ConfCCommonKey, nullptr, "Neg", nullptr, flags, 5, -10, 10).get(), -7);
  EXPECT_EQ(ConfVarInt32C(&ConfCCommonKey, nullptr, "Word", nullptr, flags, 5, 0, 100).get(), 5);
  EXPECT_EQ(ConfVarUInt32C(&ConfCCommonKey, nullptr, "Neg", nullptr, flags, 3, 0, 100).get(), 3u);
  EXPECT_EQ(ConfVarUInt32C(&ConfCCommonKey, nullptr, "Num", nullptr, flags, 3, 50, 100).get(), 50u);
  EXPECT_TRUE(ConfVarBooleanC(&ConfCCommonKey, nullptr, "Yes", nullptr, flags, false).get());
  EXPECT_FALSE(ConfVarBooleanC(&ConfCCommonKey, nullptr, "Off", nullptr, flags, true).get());
  EXPECT_TRUE(ConfVarBooleanC(&ConfCCommonKey, nullptr, "Maybe", nullptr, flags, true).get());
  EXPECT_EQ(ConfVarBooleanC::toString(true), "True");
  EXPECT_EQ(ConfVarBooleanC::toString(false), "False");
  const uint8_t dflt[] = {1};
  EXPECT_EQ(ConfVarBinaryC(&ConfCCommonKey, nullptr, "Hex", nullptr, flags, dflt, 1).get(),
            (std::vector<uint8_t>{0x0A, 0x0B, 0xFF}));
  EXPECT_EQ(ConfVarBinaryC(&ConfCCommonKey, nullptr, "Odd", nullptr, flags, dflt, 1).get(), (std::vector<uint8_t>{1}));
  EXPECT_EQ(ConfVarStringArrayC(&ConfCCommonKey, nullptr, "List", nullptr, flags, {}).get(),
            (StringArrayC{"a", "b", "c"}));
}

TEST_F(ConfVar, SetWritesTheMachineHiveAndResetRemovesIt) {
  const std::string path = Mount("t.ini", "[Tarvosk\\Common]\n");
  ConfVarUInt32C timeout(&ConfCCommonKey, nullptr, "Timeout", nullptr, 0xD8, 30, 1, 600);
  ASSERT_EQ(timeout.set(900), 0);
  EXPECT_EQ(timeout.get(), 600u);
  EXPECT_NE(hxtest::ReadFile(path).find("Timeout=600"), std::string::npos);
  g_now += hx::kConfNsPerSecond;
  EXPECT_EQ(timeout.get(), 600u);
  EXPECT_EQ(timeout.source(), ConfVarC::SourceMachine);

  ASSERT_EQ(timeout.resetToDefault(), 0);
  EXPECT_EQ(timeout.get(), 30u);
  EXPECT_EQ(hxtest::ReadFile(path).find("Timeout"), std::string::npos);
  g_now += hx::kConfNsPerSecond;
  EXPECT_EQ(timeout.get(), 30u);
  EXPECT_EQ(timeout.source(), ConfVarC::SourceDefault);

  ConfVarBooleanC flag(&ConfCCommonKey, nullptr, "Flag", nullptr, 0xD8, false);
  ASSERT_EQ(flag.set(true), 0);
  ConfVarBinaryC blob(&ConfCCommonKey, nullptr, "Blob", nullptr, 0xD8, nullptr, 0);
  ASSERT_EQ(blob.set({0xDE, 0xAD}), 0);
  ConfVarStringArrayC list(&ConfCCommonKey, nullptr, "List", nullptr, 0xD8, {});
  ASSERT_EQ(list.set({"x", "y"}), 0);
  EXPECT_NE(hxtest::ReadFile(path).find("Flag=True\nBlob=DEAD\nList=x;y\n"), std::string::npos);
}

}  // namespace
