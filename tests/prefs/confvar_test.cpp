// Configuration values over the registry: where a value is found (command line, user hive,
// machine hive, older key layout, default), the half-second read cache and the trace lines of
// a read.

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

}  // namespace
