// The own-package and external-agent trackers over preferences loaded as start-up loads them.

#include "inventory/TrkInventory.h"
#include "packages/PackageCacheTestSupport.h"
#include "packages/trackers/TrkExtAgtTracker.h"
#include "packages/trackers/TrkHxpTracker.h"
#include "prefs/PrefsTestSupport.h"
#include "prefs/confvar/ConfVarSet.h"

namespace {

constexpr int64_t c_Installed = 1325773320;  // 2012-01-05T14:22:00Z

std::string LocalText(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  struct tm tm;
  localtime_r(&t, &tm);
  char text[32];
  strftime(text, sizeof text, "%Y%m%dT%H%M%S", &tm);
  return text;
}

struct RunT { hx::ResultT result = hx::RC_FAIL; std::vector<std::string> elements; std::string log; };

// Loads the options and runs one tracker on a fresh inventory.
template <typename F>
RunT RunTracker(const std::vector<std::string>& options, const std::string& tag, F track) {
  hxprefs::LoadC load("", "hxpkg");
  std::vector<std::string> args;
  for (const std::string& o : options) args.insert(args.end(), {"-o", o});
  EXPECT_EQ(load.Load(args), hx::RC_OK);
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  RunT run;
  run.result = track(load.Prefs(), inventory.get());
  run.elements = pkgtest::ShowElements(inventory.get(), tag);
  run.log = load.Log();
  return run;
}

}  // namespace

TEST(PackageTrackersTest, ExternalAgentsFromTheirConfigurationFiles) {
  hxtest::TempDirC dir("hx-agents");
  struct CaseT { const char* what; const char* ini; mode_t mode; std::vector<std::string> instances; } cases[] = {
      {"blanks", "# agent\nagentid = 42\n agent_version=  7.5\r\n", 0644,
       {"Hardware|Class=TVK_ExternalAgent|Name=TLMAgent|Evidence=OS API|Name=TLMAgent;Type=TLM;ID=42;Version=7.5;"}},
      {"last wins, no version", "agentid=1\nagentid=2\n=3\n", 0644,
       {"Hardware|Class=TVK_ExternalAgent|Name=TLMAgent|Evidence=OS API|Name=TLMAgent;Type=TLM;ID=2;"}},
      {"no id", "agent_version=7.5\n#agentid=9\n", 0644, {}},
      {"writable by others", "agentid=42\n", 0666, {}},
  };
  for (const CaseT& c : cases) {
    const std::string ini = dir.Write("tlmagent.ini", c.ini);
    ASSERT_EQ(::chmod(ini.c_str(), c.mode), 0);
    const RunT run = RunTracker({"TLMAgentIniPath=" + ini, "TLMStandaloneIniPath=" + dir.File("missing.ini")},
                                "Hardware", [](TrkPreferencesC& prefs, TrkInventoryC* inventory) {
                                  TrkExtAgtTrackerC step(prefs);
                                  step.WriteInto(inventory);
                                  return step.Track(inventory);
                                });
    EXPECT_EQ(run.result, hx::RC_OK) << c.what;
    EXPECT_EQ(run.elements, c.instances) << c.what;
    EXPECT_TRUE(hxtest::Contains(run.log, "Finished tracking external agents")) << c.what;
  }
}

// The stores a run reads follow the inventory kind; patches, packages without a title or
// version, live entries not installed or pointing outside the live directory add nothing.
TEST(PackageTrackersTest, OwnPackagesFromTheCacheAndTheLiveIndex) {
  hxtest::TempDirC dir("hx-own");
  // The stores, the live index and a description outside the live directory; the editor and
  // the viewer were installed at c_Installed.
  hxtest::CopyTree(HX_SOURCE_DIR "/tests/fixtures/package-cache", dir.Path());
  const std::string installed = LocalText(c_Installed);
  const std::string editor = "Package|Name=Acme Editor|Evidence=Tarvosk|Version=2.1|InstallDate=" + installed +
                             "|PackageName=editor;Type=Application;Access=Public;ObjectId=OBJ1;PolicyGuid=POL1;";
  const std::string tool = "Package|Name=Tool|Evidence=Tarvosk|Version=9|PackageName=tool;Type=Application;Access=Launcher;";
  const std::string nightly = "Package|Name=Nightly|Evidence=Tarvosk|Version=3|PackageName=job;Type=Schedule;Access=Callout;";
  const std::string settings =
      "Package|Name=Settings|Evidence=Tarvosk|Version=1|PackageName=cfg;Type=ClientSettings;Access=Public;";
  const std::string mine = "Package|Name=Mine|Evidence=Tarvosk|Version=0.1|PackageName=mine;Type=Application;Access=Private;";
  const std::string viewer = "Package|Name=Viewer|Evidence=Tarvosk|Version=5.0|InstallDate=" + installed +
                             "|PackageName=viewer;Type=Application;Access=Public;ObjectId=OBJ2;";
  struct CaseT { const char* what; std::vector<std::string> options; hx::ResultT result; std::vector<std::string> elements; }
  cases[] = {
      {"machine", {"TarvoskPackages=True"}, hx::RC_OK, {editor, tool, nightly, settings}},
      {"user", {"TarvoskPackages=True", "IncludeMachineInventory=False", "IncludeUserInventory=True", "UserName=alice"},
       hx::RC_OK, {mine}},
      {"switched off", {"TarvoskPackages=False"}, trk::MSG_UNKNOWN_ERROR, {}},
  };
  for (const CaseT& c : cases) {
    std::vector<std::string> options = c.options;
    options.push_back("PkgCacheDirectory=" + dir.File("cache"));
    const RunT run = RunTracker(options, "Package", [&dir](TrkPreferencesC& prefs, TrkInventoryC* inventory) {
      // The launcher's cache directory is a value of the registry the load has just mounted.
      HX_IGNORE_RESULT(ConfCLauncherCacheDirectory.set(dir.File("appcache")));
      TrkHxpTrackerC step(prefs, TrkPackageHostT{});
      step.WriteInto(inventory);
      return step.Track(inventory);
    });
    EXPECT_EQ(run.result, c.result) << c.what;
    EXPECT_EQ(run.elements, c.elements) << c.what;
  }
  const RunT live = RunTracker({"PkgLiveDirectory=" + dir.File("live")}, "Package",
                               [](TrkPreferencesC& prefs, TrkInventoryC* inventory) {
                                 TrkJavaHxpTrackerC step(prefs);
                                 step.WriteInto(inventory);
                                 return step.Track(inventory);
                               });
  EXPECT_EQ(live.result, hx::RC_OK);
  EXPECT_EQ(live.elements, std::vector<std::string>{viewer});
}
