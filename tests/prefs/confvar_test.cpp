// Configuration values over the registry: where a value is found (user hive, machine hive,
// older key layout, default), the half-second read cache and the trace lines of a read.

#include <tuple>

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
  }
  void TearDown() override {
    StopTrace();
    Registry().Reset();
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
  EXPECT_EQ(Count("Failed to find registry value \"HKLM\\SOFTWARE\\Tarvosk Corp\\Tarvosk\\Uploader\\CurrentVersion\\"
                  "Server\".\n"),
            1);
  EXPECT_EQ(Count("Found registry value \"HKLM\\SOFTWARE\\Halvex Software\\Halvex\\Uploader\\5.0\\Server\".\n"), 1u);

  // Once the current layout has the value it wins.
  Mount("new.ini", "[Tarvosk\\Uploader\\CurrentVersion]\nLocation=new-location\n");
  EXPECT_EQ(location.get(), "new-location");
}

// The tracker's variable allows the user hive before the machine hive (flags 0xD8); nothing in
// the tracker sets command-line overrides.
TEST_F(ConfVar, UserHiveBeforeMachineHiveBeforeDefault) {
  Mount("machine.ini", "[Tarvosk\\Common]\nV=machine\nM=machine\n");
  Mount("user.ini", "[Tarvosk\\Common]\nU=user\nV=user\n", "HKCU", "Software\\Tarvosk Corp");
  const std::tuple<const char*, int, const char*> cases[] = {
      {"V", ConfVarC::SourceUser, "user"},
      {"U", ConfVarC::SourceUser, "user"},
      {"M", ConfVarC::SourceMachine, "machine"},
      {"Nope", ConfVarC::SourceDefault, "dflt"},
  };
  for (const auto& [name, source, value] : cases) {
    ConfVarStringC var(&ConfCCommonKey, nullptr, name, nullptr, 0xD8, "dflt");
    EXPECT_EQ(var.get(), value) << name;
    EXPECT_EQ(var.source(), source) << name;
  }
}

}  // namespace
