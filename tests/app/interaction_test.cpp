// The run's progress object and its managers: which manager each interaction level gets, the
// status lists and how a failure stops them, what a run prints where no terminal is (cron,
// pipes), the error window, interrupts, the error window of a failed preference load, and on
// pseudo-terminals the start-up question, the in-place drawing of the status window and Ctrl-C.

#include <poll.h>
#include <pty.h>

#include <csignal>

#include "app/interaction/Console.h"
#include "app/interaction/ConsoleViews.h"
#include "app/interaction/InteractionManager.h"
#include "app/interaction/ProgressInteraction.h"
#include "app/interaction/StopSignals.h"
#include "app/interaction/TerminalInteractionManager.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/PrefsTestSupport.h"
#include "prefs/store/Environment.h"
#include "prefs/tracker/TrkMessages.h"

namespace {

using P = TrkPreferencesC;
using hxtest::Contains;
using hxtest::Count;
constexpr struct winsize c_Screen = {24, 80, 0, 0};

// A console end that a test reads back without waiting.
class PipeC {
 public:
  PipeC() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    if (fds_[0] >= 0) ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
  }
  ~PipeC() {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  int WriteEnd() const { return fds_[1]; }
  // Everything written since the last call.
  std::string Take() {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fds_[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  int fds_[2];
};

// The run's preferences in an environment of their own (the run's defaults), its log in the
// test's directory, and a console of pipes without anyone to ask.
class Interaction : public testing::Test {
 protected:
  void SetUp() override {
    env_EnvironmentC::SetCurrent(&env_);
    log_LogManagerC::ReleaseInstance(0);
    hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
    Defaults();
    trk::SetInteractionConsole(std::make_shared<ConsoleC>(-1, -1, out_.WriteEnd(), err_.WriteEnd()));
    getErrBuf()->reset();
  }
  void TearDown() override {
    TrkTrackerGUIC::Finalise();
    trk::SetInteractionConsole(nullptr);
    log_LogManagerC::ReleaseInstance(0);
    hx::SetLogSettings(nullptr);
    env_EnvironmentC::SetCurrent(nullptr);
    getErrBuf()->reset();
  }
  void Set(const env_EnvOptsC& name, const char* value) {
    prefs_.Remove(name);
    if (value != nullptr) prefs_.AddValue(name, StringC(value));
  }
  void Defaults() {
    env_.Clear();
    for (const auto& [name, value] : {std::pair<const env_EnvOptsC*, const char*>{&P::c_InventoryType, "Machine"},
                                      {&P::c_Hardware, "True"}, {&P::c_Compress, "True"}, {&P::c_Upload, "False"},
                                      {&P::c_UserInteractionLevel, "STATUS"}, {&P::c_LogFile, logPath_.c_str()}})
      Set(*name, value);
  }
  std::string Log() {
    log_LogManagerC::ReleaseInstance(0);
    return hxtest::ReadFile(logPath_);
  }
  TrkTrackerGUIC& Start(bool window = true) {
    TrkTrackerGUIC::Initialise();
    if (window) TrkTrackerGUIC::Instance()->DisplayStatusWindow();
    return *TrkTrackerGUIC::Instance();
  }
  static const ProgressInteractionI& Window() { return *TrkTrackerGUIC::Instance()->GetStatusWindow(); }

  hxtest::TempDirC dir_{"hxgui"};
  std::string logPath_ = dir_.File("tracker.log");
  env_EnvironmentC env_;
  TrkPreferencesC prefs_{&env_};
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

// Each level gets its manager; without a window every operation is a no-op, never a crash.
TEST_F(Interaction, EachLevelGetsItsManagerAndFlags) {
  struct CaseT { const char* level; bool goesOn, hasWindow, shown, canHide; };
  const std::vector<CaseT> cases = {
      {"full", true, true, true, false},      {"Status", true, true, true, true},
      {"AUTO", true, true, true, true},       {"QuIeT", true, true, false, false},
      {"loud", false, false, false, false},   {"", false, false, false, false},
      {"FULLY", false, false, false, false},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.level);
    Set(P::c_UserInteractionLevel, c.level);
    TrkTrackerGUIC& gui = Start(false);
    EXPECT_EQ(gui.GetInteractionManager() != nullptr, c.hasWindow);
    EXPECT_EQ(gui.DisplayStartupWindow(), c.goesOn);
    gui.DisplayStatusWindow();
    EXPECT_EQ(gui.GetStatusWindow() != nullptr, c.hasWindow);
    EXPECT_EQ(gui.GetShow(), c.shown);
    gui.SetShow(!c.shown);
    EXPECT_EQ(gui.GetShow(), c.canHide ? !c.shown : c.shown);
    gui.NextStatusItem(true);
    gui.SetProgressMax(10);
    gui.IncrementProgress();
    EXPECT_FALSE(TrkTrackerGUIC::IsCancelled());
    TrkTrackerGUIC::Finalise();
  }
}

// A stop signal (what Ctrl-C, kill and a closed terminal send) cancels the run at every level,
// for good: a new window does not forget it. A signal ignored when the tracker started stays
// ignored. The handling lasts for the process, so each case runs in a child of the test.
TEST_F(Interaction, StopSignalsCancelAtEveryLevel) {
  struct CaseT { const char* level; int sig; bool ignoredAtStart; bool cancels; } cases[] = {
      {"FULL", SIGINT, false, true}, {"STATUS", SIGTERM, false, true},
      {"QUIET", SIGHUP, false, true}, {"QUIET", SIGHUP, true, false}};
  for (const CaseT& c : cases) {
    SCOPED_TRACE(std::string(c.level) + " " + std::to_string(c.sig));
    Set(P::c_UserInteractionLevel, c.level);
    const auto cancelledAsExpected = [&] {
      if (c.ignoredAtStart) ::signal(c.sig, SIG_IGN);
      trk::InstallStopSignals();
      TrkTrackerGUIC& gui = Start(true);
      const bool before = TrkTrackerGUIC::IsCancelled();
      ::raise(c.sig);
      gui.DisplayStatusWindow();
      return !before && TrkTrackerGUIC::IsCancelled() == c.cancels ? 0 : 1;
    };
    EXPECT_EQ(hxtest::InChild(cancelledAsExpected), 0);
  }
}

// The first level follows Compress and Upload; the second is built when "Tracking" is reached
// and follows the run's steps.
TEST_F(Interaction, StatusListsFollowTheRunsSteps) {
  using SettingsT = std::map<const env_EnvOptsC*, const char*>;
  using ListT = std::vector<std::string>;
  const ListT generated = {"Initialization", "Tracking", "Generate inventory"};
  auto with = [&](ListT more) { more.insert(more.begin(), generated.begin(), generated.end()); return more; };
  struct CaseT { SettingsT settings; ListT items, subItems; };
  const std::vector<CaseT> cases = {
      {{}, with({"Compress inventory"}), {"Hardware", "Searching for software"}},
      {{{&P::c_Hardware, "False"}, {&P::c_Upload, "True"}}, with({"Compress inventory", "Upload inventory"}),
       {"Searching for software"}},
      {{{&P::c_InventoryType, "user"}, {&P::c_Compress, "False"}, {&P::c_Upload, "True"}}, with({"Upload inventory"}), {}},
      {{{&P::c_InventoryType, "USER"}, {&P::c_UserHardware, "True"}, {&P::c_TrackFilesInUserInventory, "True"},
        {&P::c_Compress, "False"}, {&P::c_Upload, "False"}},
       generated, {"Hardware", "Searching for software"}},
      {{{&P::c_IncludeRegistryKey, "HKLM\\Software"}, {&P::c_MSI, "True"}, {&P::c_TarvoskPackages, "True"},
        {&P::c_Security, "True"}, {&P::c_IncludeDirectory, "/opt"}},
       with({"Compress inventory"}),
       {"Hardware", "Searching for software", "Windows registry", "Windows Installer", "Prandex packages",
        "Security patches", "Software"}},
      {{{&P::c_TarvoskPackages, "False"}, {&P::c_IncludeDirectory, "/usr"}}, with({"Compress inventory"}),
       {"Hardware", "Searching for software", "Software"}},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.subItems));
    for (const auto& [name, value] : c.settings) Set(*name, value);
    TrkTrackerGUIC& gui = Start();
    EXPECT_EQ(Window().Items().Texts(), c.items);
    EXPECT_TRUE(Window().SubItems().Empty());
    gui.NextStatusItem(true);
    EXPECT_EQ(Window().Items().Active(), 1u);
    EXPECT_EQ(Window().SubItems().Texts(), c.subItems);
    EXPECT_EQ(Window().SubItemsParent(), 1u);
    TrkTrackerGUIC::Finalise();
    Defaults();
  }
}

TEST_F(Interaction, SteppingThroughTheRun) {
  // subActive: 3 when the sub-list is finished
  struct CaseT { const char* name; std::vector<bool> outcomes; std::string items, subItems; size_t active, subActive; };
  // With Compress true and Upload false the list is Initialization, Tracking, Generate,
  // Compress; under Tracking: Hardware, Searching for software, Software.
  const std::vector<CaseT> cases = {
      {"all succeed", {true, true, true, true, true, true, true}, "++++", "+++", 3, 3},
      {"past the end stays on the last item", {true, true, true, true, true, true, true, true}, "++++", "+++", 3, 3},
      {"hardware fails", {true, false}, "+!..", "!..", 1, 0},
      {"nothing turns a failed run into a successful one", {true, false, true, true, true}, "+!..", "!..", 1, 0},
      {"file scan fails", {true, true, false}, "+!..", "+!.", 1, 1},
      {"generating fails", {true, true, true, true, true, false, false}, "++!.", "+++", 2, 3},
      {"initialization fails", {false, false}, "!...", "", 0, 0},
  };
  Set(P::c_IncludeDirectory, "/opt");
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.name);
    TrkTrackerGUIC& gui = Start();
    for (bool outcome : c.outcomes) gui.NextStatusItem(outcome);
    EXPECT_EQ(Marks(Window().Items()), c.items);
    EXPECT_EQ(Marks(Window().SubItems()), c.subItems);
    EXPECT_EQ(Window().Items().Active(), c.active);
    EXPECT_TRUE(c.subItems.empty() || Window().SubItems().Active() == c.subActive);
    TrkTrackerGUIC::Finalise();
  }
}

// Where no terminal is, a run prints plain lines: each step once, a failed step once, the error
// window shows the error buffer on the error stream, and the quiet level prints nothing at all.
TEST_F(Interaction, RenderingWithoutATerminal) {
  const std::string allDone =
      "Gathering inventory\n[ OK ] Initialization\n  [ OK ] Hardware\n  [ OK ] Searching for software\n"
      "  [ OK ] Software\n[ OK ] Tracking\n[ OK ] Generate inventory\n[ OK ] Compress inventory\n"
      "[ OK ] Upload inventory\nCompleted inventory\n"
      "Prandex has successfully generated an inventory of hardware and software on your computer.\n";
  const std::vector<bool> all(8, true), failing = {true, false, false};
  struct CaseT { const char* level; std::vector<bool> steps; std::string out, err; };
  const CaseT cases[] = {
      {"STATUS", all, allDone, ""},
      {"STATUS", failing, "Gathering inventory\n[ OK ] Initialization\n  [FAIL] Hardware\n[FAIL] Tracking\n",
       "ERROR: Could not create raw inventory\nInventory tracking was cancelled.\n"},
      {"qUIET", all, "", ""},
      {"quiet", failing, "", ""},
  };
  Set(P::c_IncludeDirectory, "/opt");
  Set(P::c_Upload, "True");
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.level);
    Set(P::c_UserInteractionLevel, c.level);
    TrkTrackerGUIC& gui = Start(false);
    EXPECT_TRUE(gui.DisplayStartupWindow());  // no one to ask: the default
    gui.DisplayStatusWindow();
    gui.SetProgressText("Searching for hardware");
    gui.SetProgressMax(1000);
    for (int i = 0; i < 1000; ++i) gui.IncrementProgress();
    for (bool step : c.steps) gui.NextStatusItem(step);
    if (c.steps == failing) {
      Error(trk::TrkMsg(0x0032), "ERROR: Could not create raw inventory");
      Error(trk::TrkMsg(0x0118), "Inventory tracking was cancelled.");
      gui.DisplayErrorWindow();
    } else {
      gui.DisplayFinishedWindow();
    }
    TrkTrackerGUIC::Finalise();
    EXPECT_EQ(out_.Take(), c.out);
    EXPECT_EQ(err_.Take(), c.err);
  }
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

// ---- on a terminal ----

// What a pseudo-terminal shows from now on, read until `until` has been seen, or, without it,
// until the other side is gone or has been quiet for a moment (it hands data on with a small
// delay); bounded in time.
std::string Screen(int fd, const std::string& until = "") {
  std::string text;
  char buffer[4096];
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end && (until.empty() || text.find(until) == std::string::npos)) {
    struct pollfd p = {fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, 200);
    if (ready == 0 && until.empty()) break;
    if (ready <= 0) continue;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

void Type(int fd, const std::string& keys) { ASSERT_EQ(::write(fd, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }

TEST(InteractionTerminal, TheStartupQuestionOnATerminal) {
  struct CaseT { const char* name; std::string typed; bool goesOn; size_t asked; };
  const std::vector<CaseT> cases = {
      {"No in capitals", "NO\n", false, 1},
      {"yes", "y\n", true, 1},
      {"Yes between blanks", " Yes \n", true, 1},
      {"just Enter takes the default", "\n", true, 1},
      {"end of input takes the default", "\x04", true, 1},
      {"asked again after a word that is neither", "maybe\nn\n", false, 2},
      {"the default after three such words", "a\nb\nc\nn\n", true, 3},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.name);
    struct winsize size = c_Screen;
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
    QueryAnswerE answer;
    {
      ngt_InteractionManagerC terminal(std::make_shared<ConsoleC>(slave, slave, -1, -1, true));
      Type(master, c.typed);
      answer = terminal.Query("Gathering inventory", "Do you wish to continue?", QueryAnswerE::Yes);
    }
    EXPECT_EQ(answer == QueryAnswerE::Yes, c.goesOn);
    const std::string shown = Screen(master);
    ::close(master);
    EXPECT_EQ(Count(shown, "Do you wish to continue? [Y/n] "), c.asked) << shown;
    EXPECT_NE(shown.find("Gathering inventory\r\n\r\n"), std::string::npos) << shown;
  }
}

// The status window drawn in place; the console's output is a pipe here, so that every byte
// written can be counted.
class InteractionTerminalView : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* item : {"Initialization", "Tracking", "Generate inventory"}) window_->Items().Add(item);
    window_->StartSubItems(1).Add("Hardware");
  }
  std::string Written() { return pipe_.Take(); }

  PipeC pipe_;
  std::unique_ptr<ProgressInteractionC> window_ = std::make_unique<ProgressInteractionC>(
      "Gathering inventory",
      std::make_unique<TerminalViewC>(std::make_shared<ConsoleC>(-1, -1, pipe_.WriteEnd(), pipe_.WriteEnd())));
};

TEST_F(InteractionTerminalView, RedrawsInPlaceOnlyWhatChanged) {
  window_->Update();
  const std::string first = Written();
  EXPECT_EQ(first.rfind("\r\x1b[2KGathering inventory\n", 0), 0u) << first;
  EXPECT_NE(first.find("\x1b[2K  [ .. ] Initialization\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\x1b[2K         [    ] Hardware\n"), std::string::npos) << first;

  window_->Update();  // nothing changed: nothing written
  window_->SetProgressText("");
  EXPECT_EQ(Written(), "");

  window_->Items().Mark(0, StatusMarkE::Succeeded);
  window_->Items().SetActive(1);
  window_->Update();
  const std::string second = Written();
  // Back to the top of the five lines drawn before, then the new frame.
  EXPECT_EQ(second.rfind("\r\x1b[5A\x1b[2KGathering inventory\n", 0), 0u) << second;
  EXPECT_NE(second.find("[ OK ] Initialization"), std::string::npos);
  EXPECT_NE(second.find("[ .. ] Tracking"), std::string::npos);
  EXPECT_NE(second.find("[ .. ] Hardware"), std::string::npos);  // under way with its item

  window_->SetShow(false);
  EXPECT_EQ(Written(), "\r\x1b[5A\x1b[J");  // the frame is erased
  window_->SetProgressText("Searching for hardware");
  EXPECT_EQ(Written(), "");  // hidden: not drawn
  window_->SetShow(true);
  const std::string third = Written();
  EXPECT_EQ(third.rfind("\r\x1b[2KGathering inventory\n", 0), 0u) << third;
  EXPECT_NE(third.find("  Searching for hardware\n"), std::string::npos);
}

TEST_F(InteractionTerminalView, TheBarIsRedrawnAtABoundedRate) {
  window_->Update();
  window_->SetProgressMax(100000);
  Written();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100000; ++i) window_->IncrementProgress();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const std::string drawn = Written();
  // The first step may draw, then at most one frame per interval, and the full bar always.
  const size_t bound = static_cast<size_t>(elapsed / TerminalViewC::c_BarInterval) + 2;
  EXPECT_LE(Count(drawn, "Gathering inventory"), bound);
  EXPECT_GE(Count(drawn, "Gathering inventory"), 1u);
  EXPECT_NE(drawn.find("  [########################################] 100%\n"), std::string::npos) << drawn;
}

TEST(InteractionFrame, LinesFitTheTerminalAndCarryNoControlCharacters) {
  ProgressInteractionC window("Gathering inventory", nullptr);
  window.Items().Add("Initialization");
  window.SetProgressText("Generating inventory '/var/tmp/\x1b[2Jzone\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9/inventory.hxi'");
  window.SetProgressMax(3);
  window.SetProgress(1);
  for (size_t columns : {20u, 40u, 79u}) {
    SCOPED_TRACE(columns);
    for (const std::string& line : BuildStatusFrame(window, columns)) {
      EXPECT_LE(hx::CountCharacters(line), columns) << line;
      EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    }
  }
  const std::vector<std::string> wide = BuildStatusFrame(window, 200);
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[3], "  [#############---------------------------]  33%");
}

// Ctrl-C typed on the terminal of a run at the full level cancels it: the run asked on the
// terminal, drew its status in place, and the terminal still sends the interrupt. Typed at the
// start-up question, it ends the question as a "no".
TEST_F(Interaction, CtrlCOnTheTerminalCancelsAFullRun) {
  constexpr int c_Cancelled = 0, c_Declined = 2, c_NotCancelled = 3;
  Set(P::c_UserInteractionLevel, "full");
  Set(P::c_Compress, "False");
  trk::SetInteractionConsole(nullptr);  // the child's own terminal
  for (const bool atQuestion : {false, true}) {
    SCOPED_TRACE(atQuestion ? "at the question" : "during the run");
    struct winsize size = c_Screen;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::alarm(20);  // never outlive the test
      trk::InstallStopSignals();  // as the program does at start-up
      TrkTrackerGUIC::Initialise();
      TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance();
      if (!gui->DisplayStartupWindow()) ::_exit(c_Declined);
      gui->DisplayStatusWindow();
      gui->NextStatusItem(true);
      (void)!::write(STDOUT_FILENO, "READY\n", 6);
      bool cancelled = false;
      for (int i = 0; i < 1000 && !cancelled; ++i, ::usleep(10000)) cancelled = TrkTrackerGUIC::IsCancelled();
      TrkTrackerGUIC::Finalise();
      log_LogManagerC::ReleaseInstance(0);
      ::_exit(cancelled ? c_Cancelled : c_NotCancelled);
    }
    if (!atQuestion) Type(master, "y\n");
    std::string shown = Screen(master, atQuestion ? "[Y/n] " : "READY");
    if (Contains(shown, atQuestion ? "[Y/n] " : "READY")) Type(master, "\x03");
    shown += Screen(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    shown += Screen(master);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (atQuestion ? c_Declined : c_Cancelled)) << shown;
    if (atQuestion) continue;
    EXPECT_NE(shown.find("Do you wish to continue? [Y/n] "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\x1b[2K  [ OK ] Initialization"), std::string::npos) << shown;
    EXPECT_EQ(Count(Log(), "WARNING: Inventory tracking terminated by user"), 1u) << Log();
  }
}

}  // namespace
