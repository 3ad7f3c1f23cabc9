// The run's progress object over a console of pipes: which manager each interaction level
// gets, the status list and its second level, how a failure stops it, what a run prints where
// no terminal is (cron, pipes), the error window, stop signals, and the error window of a failed
// preference load.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/interaction/Console.h"
#include "app/interaction/InteractionManager.h"
#include "app/interaction/ProgressInteraction.h"
#include "app/interaction/StopSignals.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "tests/app/InteractionTestSupport.h"
#include "foundation/messages/Errors.h"
#include "prefs/PrefsTestSupport.h"
#include "prefs/tracker/TrkMessages.h"

namespace {

using P = TrkPreferencesC;

using hxapp::PipeC;

// A console of pipes without anyone to ask, and the run's defaults.
class InteractionGui : public hxapp::InteractionFixture {
 protected:
  void SetUp() override {
    InteractionFixture::SetUp();
    Defaults();
    trk::SetInteractionConsole(std::make_shared<ConsoleC>(-1, -1, out_.WriteEnd(), err_.WriteEnd()));
    getErrBuf()->reset();
  }
  void TearDown() override {
    TrkTrackerGUIC::Finalise();
    trk::SetInteractionConsole(nullptr);
    InteractionFixture::TearDown();
    getErrBuf()->reset();
  }

  void Defaults() {
    env_.Clear();
    Set(P::c_InventoryType, "Machine");
    Set(P::c_Hardware, "True");
    Set(P::c_Compress, "True");
    Set(P::c_Upload, "False");
    Set(P::c_UserInteractionLevel, "STATUS");
  }
  TrkTrackerGUIC& Start() {
    TrkTrackerGUIC::Initialise();
    return *TrkTrackerGUIC::Instance();
  }
  TrkTrackerGUIC& StartWithWindow() {
    TrkTrackerGUIC& gui = Start();
    gui.DisplayStatusWindow();
    return gui;
  }
  static const ProgressInteractionI& Window() { return *TrkTrackerGUIC::Instance()->GetStatusWindow(); }

  PipeC out_, err_;
};

std::string Marks(const StatusListC& list) {
  std::string marks;
  for (size_t i = 0; i < list.Count(); ++i) {
    const StatusMarkE mark = list.Item(i).mark;
    marks += mark == StatusMarkE::Succeeded ? '+' : mark == StatusMarkE::Failed ? '!' : '.';
  }
  return marks;
}

TEST_F(InteractionGui, EachLevelGetsItsManagerAndFlags) {
  struct CaseT { const char* level; bool goesOn, hasWindow, shown, canHide; };
  const std::vector<CaseT> cases = {
      {"FULL", true, true, true, false},    {"full", true, true, true, false},   {"Status", true, true, true, true},
      {"AUTO", true, true, true, true},     {"auto", true, true, true, true},    {"QuIeT", true, true, false, false},
      {"loud", false, false, false, false}, {"", false, false, false, false},    {"FULLY", false, false, false, false},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.level);
    Set(P::c_UserInteractionLevel, c.level);
    TrkTrackerGUIC& gui = Start();
    EXPECT_EQ(gui.GetInteractionManager() != nullptr, c.hasWindow);
    EXPECT_EQ(gui.DisplayStartupWindow(), c.goesOn);
    gui.DisplayStatusWindow();
    EXPECT_EQ(gui.GetStatusWindow() != nullptr, c.hasWindow);
    EXPECT_EQ(gui.GetShow(), c.shown);
    gui.SetShow(!c.shown);
    EXPECT_EQ(gui.GetShow(), c.canHide ? !c.shown : c.shown);
    // Without a window every operation is a no-op, never a crash.
    gui.NextStatusItem(true);
    gui.SetProgressMax(10);
    gui.IncrementProgress();
    TrkTrackerGUIC::Finalise();
  }
}

TEST_F(InteractionGui, QuietPrintsNothingAndGoesOn) {
  Set(P::c_UserInteractionLevel, "qUIET");
  TrkTrackerGUIC& gui = Start();
  EXPECT_TRUE(gui.DisplayStartupWindow());
  gui.DisplayStatusWindow();
  gui.SetProgressText("Searching for hardware");
  gui.SetProgressMax(4);
  for (int i = 0; i < 4; ++i) gui.IncrementProgress();
  gui.NextStatusItem(true);
  gui.NextStatusItem(true);
  Error(trk::TrkMsg(0x0118), "Inventory tracking was cancelled.");
  gui.DisplayErrorWindow();
  gui.DisplayFinishedWindow();
  // The window still keeps its list for the run.
  EXPECT_EQ(Marks(Window().Items()), "+...");
  TrkTrackerGUIC::Finalise();
  EXPECT_EQ(out_.Take(), "");
  EXPECT_EQ(err_.Take(), "");
}

TEST_F(InteractionGui, FirstLevelItemsFollowCompressAndUpload) {
  struct CaseT { const char *compress, *upload; std::vector<std::string> items; };
  const std::vector<CaseT> cases = {
      {"True", "True", {"Initialization", "Tracking", "Generate inventory", "Compress inventory", "Upload inventory"}},
      {"False", "True", {"Initialization", "Tracking", "Generate inventory", "Upload inventory"}},
      {"true", "false", {"Initialization", "Tracking", "Generate inventory", "Compress inventory"}},
      {"False", "False", {"Initialization", "Tracking", "Generate inventory"}},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(std::string(c.compress) + "/" + c.upload);
    Set(P::c_Compress, c.compress);
    Set(P::c_Upload, c.upload);
    StartWithWindow();
    EXPECT_EQ(Window().Items().Texts(), c.items);
  }
}

TEST_F(InteractionGui, SecondLevelListFollowsTheRunsSteps) {
  using SettingsT = std::map<const env_EnvOptsC*, const char*>;
  struct CaseT { SettingsT settings; std::vector<std::string> items; };
  const std::vector<CaseT> cases = {
      {{}, {"Hardware", "Searching for software"}},
      {{{&P::c_Hardware, "False"}}, {"Searching for software"}},
      {{{&P::c_InventoryType, "user"}}, {}},
      {{{&P::c_InventoryType, "USER"}, {&P::c_UserHardware, "True"}, {&P::c_TrackFilesInUserInventory, "True"}},
       {"Hardware", "Searching for software"}},
      {{{&P::c_InventoryType, "User"}, {&P::c_Hardware, "True"}}, {}},
      {{{&P::c_IncludeRegistryKey, "HKLM\\Software"},
        {&P::c_MSI, "True"},
        {&P::c_TarvoskPackages, "True"},
        {&P::c_Security, "True"},
        {&P::c_IncludeDirectory, "/opt"}},
       {"Hardware", "Searching for software", "Windows registry", "Windows Installer", "Prandex packages",
        "Security patches", "Software"}},
      {{{&P::c_TarvoskPackages, "False"}, {&P::c_IncludeDirectory, "/usr"}},
       {"Hardware", "Searching for software", "Software"}},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.items));
    for (const auto& [name, value] : c.settings) Set(*name, value);
    TrkTrackerGUIC& gui = StartWithWindow();
    EXPECT_TRUE(Window().SubItems().Empty());  // built only when "Tracking" is reached
    gui.NextStatusItem(true);
    EXPECT_EQ(Window().Items().Active(), 1u);
    EXPECT_EQ(Window().SubItems().Texts(), c.items);
    EXPECT_EQ(Window().SubItemsParent(), 1u);
    Defaults();
  }
}

TEST_F(InteractionGui, SteppingThroughTheRun) {
  struct CaseT {
    const char* name;
    std::vector<bool> outcomes;
    std::string items, subItems;
    size_t active, subActive;  // 3 for the sub-list: finished
  };
  // With Compress true and Upload false the list is Initialization, Tracking, Generate,
  // Compress; under Tracking: Hardware, Searching for software, Software.
  const std::vector<CaseT> cases = {
      {"all succeed", {true, true, true, true, true, true, true}, "++++", "+++", 3, 3},
      {"past the end stays on the last item", {true, true, true, true, true, true, true, true}, "++++", "+++", 3, 3},
      {"hardware fails", {true, false}, "+!..", "!..", 1, 0},
      {"hardware fails, the driver repeats it", {true, false, false, false}, "+!..", "!..", 1, 0},
      {"nothing turns a failed run into a successful one", {true, false, true, true, true}, "+!..", "!..", 1, 0},
      {"file scan fails", {true, true, false}, "+!..", "+!.", 1, 1},
      {"generating fails", {true, true, true, true, true, false, false}, "++!.", "+++", 2, 3},
      {"initialization fails", {false, false}, "!...", "", 0, 0},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.name);
    Set(P::c_IncludeDirectory, "/opt");
    TrkTrackerGUIC& gui = StartWithWindow();
    for (bool outcome : c.outcomes) gui.NextStatusItem(outcome);
    EXPECT_EQ(Marks(Window().Items()), c.items);
    EXPECT_EQ(Marks(Window().SubItems()), c.subItems);
    EXPECT_EQ(Window().Items().Active(), c.active);
    if (!c.subItems.empty()) {
      EXPECT_EQ(Window().SubItems().Active(), c.subActive);
    }
  }
}

TEST_F(InteractionGui, WithoutATerminalARunPrintsPlainLines) {
  Set(P::c_IncludeDirectory, "/opt");
  Set(P::c_Upload, "True");
  for (const char* level : {"STATUS", "FULL"}) {
    SCOPED_TRACE(level);
    Set(P::c_UserInteractionLevel, level);
    TrkTrackerGUIC& gui = Start();
    EXPECT_TRUE(gui.DisplayStartupWindow());  // no one to ask: the default
    gui.DisplayStatusWindow();
    gui.SetProgressText("Searching for hardware");
    gui.SetProgressMax(1000);
    for (int i = 0; i < 1000; ++i) gui.IncrementProgress();
    for (int i = 0; i < 8; ++i) gui.NextStatusItem(true);
    gui.DisplayFinishedWindow();
    TrkTrackerGUIC::Finalise();
    const std::string out = out_.Take();
    EXPECT_EQ(out,
              "Gathering inventory\n"
              "[ OK ] Initialization\n"
              "  [ OK ] Hardware\n"
              "  [ OK ] Searching for software\n"
              "  [ OK ] Software\n"
              "[ OK ] Tracking\n"
              "[ OK ] Generate inventory\n"
              "[ OK ] Compress inventory\n"
              "[ OK ] Upload inventory\n"
              "Completed inventory\n"
              "Prandex has successfully generated an inventory of hardware and software on your computer.\n");
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
    EXPECT_EQ(err_.Take(), "");
  }
}

TEST_F(InteractionGui, AFailedStepIsPrintedOnceAndTheErrorWindowShowsTheErrorBuffer) {
  TrkTrackerGUIC& gui = StartWithWindow();
  gui.NextStatusItem(true);
  gui.NextStatusItem(false);
  gui.NextStatusItem(false);
  Error(trk::TrkMsg(0x0032), "ERROR: Could not create raw inventory");
  Error(trk::TrkMsg(0x0118), "Inventory tracking was cancelled.");
  gui.DisplayErrorWindow();
  TrkTrackerGUIC::Finalise();
  EXPECT_EQ(out_.Take(),
            "Gathering inventory\n"
            "[ OK ] Initialization\n"
            "  [FAIL] Hardware\n"
            "[FAIL] Tracking\n");
  EXPECT_EQ(err_.Take(), "ERROR: Could not create raw inventory\nInventory tracking was cancelled.\n");
}

// A stop signal (what Ctrl-C, kill and a closed terminal send) cancels the run at every level,
// for good: a new window does not forget it. A signal ignored when the tracker started stays
// ignored. The handling lasts for the process, so each case runs in a child of the test.
TEST_F(InteractionGui, StopSignalsCancelAtEveryLevel) {
  struct CaseT { const char* level; int sig; bool ignoredAtStart; bool cancels; } cases[] = {
      {"FULL", SIGINT, false, true}, {"STATUS", SIGTERM, false, true},
      {"QUIET", SIGHUP, false, true}, {"QUIET", SIGHUP, true, false}};
  for (const CaseT& c : cases) {
    SCOPED_TRACE(std::string(c.level) + " " + std::to_string(c.sig));
    Set(P::c_UserInteractionLevel, c.level);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (c.ignoredAtStart) ::signal(c.sig, SIG_IGN);
      trk::InstallStopSignals();
      TrkTrackerGUIC& gui = StartWithWindow();
      const bool before = TrkTrackerGUIC::IsCancelled();
      ::raise(c.sig);
      gui.DisplayStatusWindow();
      ::_exit(!before && TrkTrackerGUIC::IsCancelled() == c.cancels ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

TEST_F(InteractionGui, ConvenienceCallsReachTheRunningWindow) {
  trk::ProgressMax(5);  // no run: nothing happens
  StartWithWindow();
  trk::ProgressText("Compressing");
  trk::ProgressMax(5);
  trk::ProgressIncrement();
  trk::NextStatusItem(true);
  EXPECT_EQ(Window().ProgressText(), "Compressing");
  EXPECT_EQ(Window().Progress(), 1u);
  EXPECT_EQ(Marks(Window().Items()), "+...");
}

// A failed preference load shows its errors at the level the preferences read so far name.
TEST(InteractionHooks, AFailedPreferenceLoadShowsItsErrors) {
  struct CaseT { std::vector<std::string> args; std::string shown; };
  const std::vector<CaseT> cases = {
      {{"-x"}, "'-x' is not a valid command-line option.\n"},
      {{"-o", "UserInteractionLevel=quiet", "-x"}, ""},
      {{"-o", "UserInteractionLevel=loud"}, ""},  // no manager for a level that is not known
      {{"-o", "Compress=True"}, ""},              // nothing failed, nothing shown
  };
  trk::InstallInteractionHooks();
  for (const CaseT& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    PipeC out, err;
    trk::SetInteractionConsole(std::make_shared<ConsoleC>(-1, -1, out.WriteEnd(), err.WriteEnd()));
    {
      hxprefs::LoadC load;
      load.Load(c.args);
    }
    trk::SetInteractionConsole(nullptr);
    EXPECT_EQ(err.Take(), c.shown);
    EXPECT_EQ(out.Take(), "");
  }
  TrkPreferencesC::SetErrorWindow(nullptr);
}

}  // namespace
