// The program bin/hxtrack as cron runs it, for what only a whole process shows: its exit status
// and log, the trace profile of its working directory, the machine-wide lock between trackers,
// a plug-in that takes over the tracker class (or hands the run back, in the runs that are
// killed while they save their inventory), and an interrupt without a terminal.

#include <random>

#include "inventory/TrkInventoryDocTypeHandler.h"
#include "prefs/tracker/TrkMessages.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/plugin/TestTrackerPlugin.h"

namespace {

using hxapp::Contains;
using hxapp::EndsWithSeparator;
using hxapp::FilesIn;
using hxapp::OnlyFile;
using hxapp::QuietArgs;
using hxapp::RunProgram;
using hxapp::TrackerProcessC;

const std::string c_TrackerPlugin = std::string("PluginDirectory=") + hxapp::c_PluginDir + "\n";

// Polls (bounded) until `done` holds.
bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

std::vector<std::string> Lines(const std::string& path) { return hx::SplitLines(hxtest::ReadFile(path)); }

// A delivered run; a trace profile in its working directory traces every preference.
TEST(TrackerProgram, DeliveredRunItsLogAndItsTrace) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string trace = dir.File("prefs.trace");
  dir.Write("hxtrack.trace", "+Tracker/Preferences\nfilename = " + trace + "\n");
  const hxapp::RunT run = RunProgram(dir, QuietArgs({"-o", "ProgressDepth=11"}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::string inventory = hxtest::ReadFile(OnlyFile(dir.File("data/tracker/inventories")));
  EXPECT_EQ(hxapp::Gunzipped(OnlyFile(dir.File("server/Inventories"))), inventory);
  EXPECT_TRUE(Contains(inventory, "Type=\"Full\""));
  EXPECT_TRUE(FilesIn(dir.File("data/uploads")).empty());
  for (const char* line : {"Obtained semaphore lock.", "Started generating inventory", "Finished compressing inventory",
                           "Finished uploading inventory", "Program exited successfully"})
    EXPECT_TRUE(Contains(run.log, line)) << line << "\n" << run.log;
  EXPECT_TRUE(EndsWithSeparator(run.log)) << run.log;
  const std::string text = hxtest::ReadFile(trace);
  for (const std::string& line : {std::string("ProgressDepth=11;3"), "LogFile=" + dir.File("data/log/tracker.log")})
    EXPECT_TRUE(Contains(text, line + "\n")) << line << "\n" << text;
}

// A failed preference load ends the program with its result as the exit status.
TEST(TrackerProgram, FailedLoadGivesItsExitStatus) {
  hxtest::TempDirC dir("hxapp-prog");
  const hxapp::RunT run = RunProgram(dir, QuietArgs({"-x"}));
  EXPECT_EQ(run.exitCode, hxapp::ExitStatusOf(trk::MSG_INVALID_OPTION));
  EXPECT_TRUE(Contains(run.log, "ERROR: '-x' is not a valid command-line option")) << run.log;
  EXPECT_TRUE(Contains(run.log, "Program exited with code -524484343")) << run.log;
  EXPECT_TRUE(EndsWithSeparator(run.log)) << run.log;
}

// A second tracker waits while the first holds the machine-wide lock, also when the first is
// killed, and gets the lock then. Both run the plug-in alone: the built-in tracker never runs.
TEST(TrackerProgram, WaitingTrackerGetsTheLockOfAKilledHolder) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string marker = dir.File("marker"), log = dir.File("data/log/tracker.log");
  TrackerProcessC holder(dir, QuietArgs({"-o", "TestTrackerMarker=" + marker, "-o", "TestTrackerSleepMs=600000"}),
                         c_TrackerPlugin);
  ASSERT_EQ(holder.Start(), hx::RC_OK);
  ASSERT_TRUE(WaitUntil([&] { return Lines(marker).size() == 1; }));  // it holds the lock from here on
  TrackerProcessC next(dir, QuietArgs({"-o", "TestTrackerMarker=" + marker}), c_TrackerPlugin);
  ASSERT_EQ(next.Start(), hx::RC_OK);
  const std::string b = std::to_string(next.Pid());
  ASSERT_TRUE(WaitUntil([&] { return Contains(hxtest::ReadFile(log), "{" + b + "} Obtaining semaphore lock"); }));
  std::this_thread::sleep_for(std::chrono::seconds(1));  // time enough to take a lock that were free
  EXPECT_FALSE(Contains(hxtest::ReadFile(log), "{" + b + "} Obtained semaphore lock."));
  ASSERT_EQ(::kill(static_cast<pid_t>(holder.Pid()), SIGKILL), 0);
  holder.Finish();
  EXPECT_EQ(next.Finish(std::chrono::seconds(60)), 0u);
  EXPECT_EQ(Lines(marker), (std::vector<std::string>{"start " + std::to_string(holder.Pid()), "start " + b, "end " + b}));
  EXPECT_FALSE(Contains(hxtest::ReadFile(log), "Inventory tracking started"));
}

// From cron at the full level: no terminal to ask on, so the question takes its default and the
// status comes as plain lines; an interrupt during an upload that then fails is reported as the
// cancellation.
TEST(TrackerProgram, CancelledWithoutATerminalDuringAFailingUpload) {
  hxtest::TempDirC dir("hxapp-prog");
  TrackerProcessC p(dir, {"-o", "UserInteractionLevel=FULL", "-o", "LowProfile=False"}, "",
                    hxapp::c_CancellingInstallDir, true);
  ASSERT_EQ(p.Start(), hx::RC_OK);
  EXPECT_EQ(p.Finish(), hxapp::ExitStatusOf(hx::ToResult(0xE0BD0118u)));
  EXPECT_TRUE(hx::EndsWith(p.Out(), "Gathering inventory\n[ OK ] Initialization\n  [ OK ] Hardware\n"
                                    "  [ OK ] Searching for software\n[ OK ] Tracking\n[ OK ] Generate inventory\n"
                                    "[ OK ] Compress inventory\n[FAIL] Upload inventory\n")) << p.Out();
  EXPECT_EQ(p.Out().find('\x1b'), std::string::npos) << p.Out();
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  EXPECT_TRUE(Contains(log, "WARNING: Inventory tracking terminated by user")) << log;
  EXPECT_TRUE(Contains(log, "Program exited with code -524484328")) << log;
  EXPECT_FALSE(Contains(log, "Unable to upload inventory file(s)")) << log;
}

// The document at path as the delta reads a base; null when it is no whole inventory.
RefM<TrkInventoryC> ReadInventory(const std::string& path) {
  RefM<TrkInventoryC> inventory;
  if (TrkInventoryDocTypeHandlerC::ReadFile(FileNameC(path), &inventory) != hx::RC_OK) inventory.reset();
  return inventory;
}

// Runs with a large inventory are killed at random moments while the inventory is being saved
// (full runs, and incremental deltas whose base is copied aside first). After every kill the
// file at the inventory path is a whole inventory: the previous one, or the new one complete.
// What a kill leaves beside it is removed by the next run that saves the inventory.
TEST(TrackerProgram, RunsKilledWhileSavingNeverLeaveAPartialInventory) {
  constexpr int c_Entities = 200000;
  constexpr int c_Kills = 4;
  // On a busy machine a random moment may fall after the save every time; the runs go on,
  // killed as soon as the save starts, until one kill has landed inside it.
  constexpr int c_MaxKills = 12;
  hxtest::TempDirC dir("hxapp-safe");
  const std::string inventories = dir.File("data/tracker/inventories"), path = inventories + "/inv.hxi";
  dir.Mkdir("tmp");
  auto args = [&](int entities, bool delta) {
    std::vector<std::string> a = QuietArgs({"-o", "Upload=False", "-o", "Compress=False", "-o", "InventoryFile=inv.hxi",
                                            "-o", "TempDirectory=" + dir.File("tmp"), "-o", "TestTrackerDelegate=True",
                                            "-o", std::string(c_TestTrackerEntities) + "=" + std::to_string(entities)});
    if (delta) a.insert(a.end(), {"-o", "Difference=True", "-o", "IncrementalDiff=True"});
    return a;
  };
  auto saves = [&](const char* line) { return hxtest::Count(hxtest::ReadFile(dir.File("data/log/tracker.log")), line); };
  auto waitForSaves = [&](const char* line, size_t n) {
    return WaitUntil([&] { return saves(line) >= n; }, std::chrono::seconds(120));
  };
  constexpr const char* c_Started = "Started generating inventory";
  constexpr const char* c_Finished = "Finished generating inventory";

  // The first run, whole, gives the previous inventory and the time a save takes.
  TrackerProcessC first(dir, args(c_Entities, false), c_TrackerPlugin);
  ASSERT_EQ(first.Start(), hx::RC_OK);
  ASSERT_TRUE(waitForSaves(c_Started, 1));
  const auto saveStart = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitForSaves(c_Finished, 1));
  const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - saveStart);
  ASSERT_EQ(first.Finish(), 0u);
  std::string previous = hxtest::ReadFile(path);
  RefM<TrkInventoryC> read = ReadInventory(path);
  ASSERT_TRUE(read);
  const size_t entities = read->GetFlatIndex().size();
  ASSERT_GE(entities, static_cast<size_t>(c_Entities));

  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<long> delay(0, std::max<long>(1, saveTime.count()));
  int killedWhileSaving = 0;
  for (int i = 0; i < c_Kills || (killedWhileSaving == 0 && i < c_MaxKills); ++i) {
    SCOPED_TRACE("kill " + std::to_string(i));
    TrackerProcessC p(dir, args(c_Entities, i % 2 == 1), c_TrackerPlugin);
    const size_t started = saves(c_Started) + 1, finished = saves(c_Finished);
    ASSERT_EQ(p.Start(), hx::RC_OK);
    ASSERT_TRUE(waitForSaves(c_Started, started));
    std::this_thread::sleep_for(std::chrono::microseconds(i < c_Kills ? delay(random) : 0));
    ::kill(static_cast<pid_t>(p.Pid()), SIGKILL);
    p.Finish();
    if (saves(c_Finished) == finished) ++killedWhileSaving;
    const std::string now = hxtest::ReadFile(path);
    if (now != previous) {
      RefM<TrkInventoryC> replaced = ReadInventory(path);
      ASSERT_TRUE(replaced) << "a partial inventory of " << now.size() << " bytes";
      EXPECT_EQ(replaced->GetFlatIndex().size(), entities);
      previous = now;
    }
  }
  // A kill after the save has ended proves nothing about the save: most must land inside it.
  EXPECT_GT(killedWhileSaving, 0) << "save time " << saveTime.count() << " us";
  EXPECT_LE(FilesIn(inventories, "inv.hxi.").size(), static_cast<size_t>(killedWhileSaving));

  // The next run finds a usable base, takes its delta and clears the temporary files.
  const hxapp::RunT next = RunProgram(dir, args(1000, true), c_TrackerPlugin);
  EXPECT_EQ(next.exitCode, 0u);
  EXPECT_FALSE(Contains(next.log.substr(next.log.rfind("Program arguments")), "reverting to full inventory"));
  EXPECT_EQ(FilesIn(inventories), std::vector<std::string>{"inv.hxi"});
  RefM<TrkInventoryC> last = ReadInventory(path);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->GetFlatIndex().size(), entities - c_Entities + 1000);
}

}  // namespace
