// The inventory file across whole runs of bin/hxtrack that go wrong: a delta base that cannot
// serve, an inventory that cannot be written, and runs killed while they write. The inventory
// at its path is always a whole document (the previous one or the new one), and nothing of a
// failed run stays beside it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "app/driver/TrkRunMessages.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/plugin/BulkTrackerPlugin.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::RunProgram;
using hxapp::TrackerProcessC;

constexpr const char* c_InventoryName = "inv.hxi";
constexpr const char* c_Reverted = "Could not generate inventory delta - reverting to full inventory";
constexpr const char* c_RawInventory = "ERROR: Could not create raw inventory";

// Quiet, not uploaded, with the run's temporary files in dir/tmp and a fixed inventory name.
std::vector<std::string> Args(const hxtest::TempDirC& dir, std::vector<std::string> more) {
  dir.Mkdir("tmp");
  more.insert(more.begin(), {"-o", "Upload=False", "-o", "TempDirectory=" + dir.File("tmp"), "-o",
                             std::string("InventoryFile=") + c_InventoryName});
  return hxapp::QuietArgs(std::move(more));
}

std::string InventoryDir(const hxtest::TempDirC& dir) { return dir.File("data/tracker/inventories"); }
std::string InventoryPath(const hxtest::TempDirC& dir) { return InventoryDir(dir) + "/" + c_InventoryName; }

using hxapp::EndsWithSeparator;

// Every regular file below dir, by its path relative to dir, sorted.
std::vector<std::string> AllFiles(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(std::filesystem::relative(e.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}

// The document at path as the delta reads a base; null when it is no whole inventory.
RefM<TrkInventoryC> ReadInventory(const std::string& path) {
  RefM<TrkInventoryC> inventory;
  if (TrkInventoryDocTypeHandlerC::ReadFile(FileNameC(path), &inventory) != hx::RC_OK) inventory.reset();
  return inventory;
}

// The one file the run staged, uncompressed.
std::string OnlyStaged(const hxtest::TempDirC& dir) { return hxapp::Gunzipped(hxapp::OnlyFile(dir.File("data/uploads"))); }

// A base of each kind the delta cannot use makes the run publish a full inventory instead,
// which then replaces the useless base, whether the delta is incremental or not.
TEST(TrackerProgramSafety, UnusableDeltaBaseRevertsToAFullInventory) {
  hxtest::TempDirC first("hxapp-safe");
  ASSERT_EQ(RunProgram(first, Args(first, {})).exitCode, 0u);
  const std::string real = hxtest::ReadFile(InventoryPath(first));
  ASSERT_GT(real.size(), 100u);

  struct CaseT { const char* what; std::string base; };
  const CaseT cases[] = {
      {"not XML", "inventory of this machine, taken yesterday\n"},
      {"truncated", real.substr(0, real.size() / 2)},
      {"empty", ""},
      {"another kind", real.substr(0, real.find("<Inventory")) + "<Configuration Type=\"Full\"/>\n"},
  };
  for (const CaseT& c : cases) {
    for (const char* incremental : {"False", "True"}) {
      SCOPED_TRACE(std::string(c.what) + ", IncrementalDiff=" + incremental);
      hxtest::TempDirC dir("hxapp-safe");
      dir.Write("data/tracker/inventories/" + std::string(c_InventoryName), c.base);
      const hxapp::RunT run =
          RunProgram(dir, Args(dir, {"-o", "Difference=True", "-o", std::string("IncrementalDiff=") + incremental}));
      EXPECT_EQ(run.exitCode, 0u) << run.log;
      EXPECT_TRUE(Contains(run.log, c_Reverted)) << run.log;
      EXPECT_TRUE(Contains(run.log, "Generating a full inventory")) << run.log;
      EXPECT_FALSE(Contains(run.log, "Generating an inventory delta")) << run.log;

      const std::string inventory = hxtest::ReadFile(InventoryPath(dir));
      RefM<TrkInventoryC> read = ReadInventory(InventoryPath(dir));
      ASSERT_TRUE(read) << inventory;
      EXPECT_EQ(read->GetAttribute("Type"), "Full");
      EXPECT_EQ(OnlyStaged(dir), inventory);
      EXPECT_EQ(FilesIn(InventoryDir(dir)), std::vector<std::string>{c_InventoryName});
      EXPECT_TRUE(FilesIn(dir.File("tmp")).empty());
    }
  }
}

// An inventory that cannot be written ends the run with "could not create raw inventory" and
// leaves neither a partial nor a temporary file.
TEST(TrackerProgramSafety, UnwritableInventoryFailsTheRunWithoutLitter) {
  struct CaseT {
    const char* what;
    std::function<std::vector<std::string>(const hxtest::TempDirC&)> prepare;
    std::vector<std::string> files;  // all there is afterwards
  };
  const CaseT cases[] = {
      {"a file where the inventory directory should be",
       [](const hxtest::TempDirC& dir) {
         dir.Write("blocker", "a file, not a directory");
         return std::vector<std::string>{"-o", "InventoryDirectory=" + dir.File("blocker/inventories")};
       },
       {"blocker", "data/log/tracker.log", "tarvosk.ini"}},
      {"a directory under the inventory's name",
       [](const hxtest::TempDirC& dir) {
         dir.Mkdir("data/tracker/inventories/" + std::string(c_InventoryName));
         return std::vector<std::string>{};
       },
       {"data/log/tracker.log", "tarvosk.ini"}},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hxapp-safe");
    const hxapp::RunT run = RunProgram(dir, Args(dir, c.prepare(dir)));
    EXPECT_EQ(run.exitCode, hxapp::ExitStatusOf(trk::run::MSG_RAW_INVENTORY)) << run.log;
    EXPECT_TRUE(Contains(run.log, c_RawInventory)) << run.log;
    EXPECT_TRUE(EndsWithSeparator(run.log)) << run.log;
    EXPECT_EQ(AllFiles(dir.Path()), c.files);
  }
}

// A write that fails part way (the file size limit of the process) keeps the previous
// inventory byte for byte: it is still the right base, since nothing new was published.
TEST(TrackerProgramSafety, FailedWriteKeepsThePreviousInventory) {
  hxtest::TempDirC dir("hxapp-safe");
  const std::string plugins = std::string("PluginDirectory=") + hxapp::c_BulkPluginDir + "\n";
  ASSERT_EQ(RunProgram(dir, Args(dir, {"-o", std::string(c_BulkTrackerEntities) + "=10"}), plugins).exitCode, 0u);
  const std::string previous = hxtest::ReadFile(InventoryPath(dir));

  // 20,000 files make a document of about 3 MB, far over the limit; the log stays below it.
  TrackerProcessC p(dir, Args(dir, {"-o", std::string(c_BulkTrackerEntities) + "=20000", "-o", "Difference=True",
                                    "-o", "IncrementalDiff=True"}),
                    plugins);
  hx::ResultT started;
  {
    hxapp::ScopedFileSizeLimitC limit(256 * 1024);  // the child inherits the limit
    ASSERT_TRUE(limit.ok());
    started = p.Start();
  }
  ASSERT_EQ(started, hx::RC_OK);
  const uint32_t exitCode = p.Finish();
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));

  EXPECT_EQ(exitCode, hxapp::ExitStatusOf(trk::run::MSG_RAW_INVENTORY)) << log;
  EXPECT_TRUE(Contains(log, c_RawInventory)) << log;
  EXPECT_EQ(hxtest::ReadFile(InventoryPath(dir)), previous);
  EXPECT_EQ(FilesIn(InventoryDir(dir)), std::vector<std::string>{c_InventoryName});
  EXPECT_TRUE(FilesIn(dir.File("tmp")).empty());
}

constexpr const char* c_SaveStarted = "Started generating inventory";
constexpr const char* c_SaveFinished = "Finished generating inventory";

size_t LogCount(const hxtest::TempDirC& dir, const std::string& line) {
  return hxtest::Count(hxtest::ReadFile(dir.File("data/log/tracker.log")), line);
}

// Polls the log (bounded by `limit`) until `line` occurs `count` times; false if it did not.
bool WaitForLog(const hxtest::TempDirC& dir, const std::string& line, size_t count, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (LogCount(dir, line) < count) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

// Files beside the inventory whose names begin with the inventory's.
size_t TemporaryFiles(const std::string& dir) { return FilesIn(dir, std::string(c_InventoryName) + ".").size(); }

// Runs with a large inventory are killed at random moments while the inventory is being saved
// (full runs, and incremental deltas whose base is copied aside first). After every kill the
// file at the inventory path is a whole inventory: the previous one, or the new one complete.
// What a kill leaves beside it is removed by the next run that saves the inventory.
TEST(TrackerProgramSafety, RunsKilledWhileSavingNeverLeaveAPartialInventory) {
  constexpr int c_Entities = 200000;
  constexpr int c_Kills = 4;
  // On a busy machine a random moment may fall after the save every time; the runs go on,
  // killed as soon as the save starts, until one kill has landed inside it.
  constexpr int c_MaxKills = 12;
  hxtest::TempDirC dir("hxapp-safe");
  const std::string plugins = std::string("PluginDirectory=") + hxapp::c_BulkPluginDir + "\n";
  const std::vector<std::string> bulk = {"-o", std::string(c_BulkTrackerEntities) + "=" + std::to_string(c_Entities),
                                         "-o", "Compress=False"};

  // The first run, whole, gives the previous inventory and the time a save takes.
  TrackerProcessC first(dir, Args(dir, bulk), plugins);
  ASSERT_EQ(first.Start(), hx::RC_OK);
  ASSERT_TRUE(WaitForLog(dir, c_SaveStarted, 1, std::chrono::seconds(120)));
  const auto saveStart = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitForLog(dir, c_SaveFinished, 1, std::chrono::seconds(120)));
  const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - saveStart);
  ASSERT_EQ(first.Finish(), 0u);
  std::string previous = hxtest::ReadFile(InventoryPath(dir));
  RefM<TrkInventoryC> read = ReadInventory(InventoryPath(dir));
  ASSERT_TRUE(read);
  const size_t entities = read->GetFlatIndex().size();
  ASSERT_GE(entities, static_cast<size_t>(c_Entities));

  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<long> delay(0, std::max<long>(1, saveTime.count()));
  int killedWhileSaving = 0;
  for (int i = 0; i < c_Kills || (killedWhileSaving == 0 && i < c_MaxKills); ++i) {
    SCOPED_TRACE("kill " + std::to_string(i));
    std::vector<std::string> args = bulk;
    if (i % 2 == 1) args.insert(args.end(), {"-o", "Difference=True", "-o", "IncrementalDiff=True"});
    TrackerProcessC p(dir, Args(dir, args), plugins);
    const size_t saves = LogCount(dir, c_SaveStarted) + 1, finished = LogCount(dir, c_SaveFinished);
    ASSERT_EQ(p.Start(), hx::RC_OK);
    ASSERT_TRUE(WaitForLog(dir, c_SaveStarted, saves, std::chrono::seconds(120)));
    std::this_thread::sleep_for(std::chrono::microseconds(i < c_Kills ? delay(random) : 0));
    ::kill(static_cast<pid_t>(p.Pid()), SIGKILL);
    p.Finish();
    if (LogCount(dir, c_SaveFinished) == finished) ++killedWhileSaving;

    const std::string now = hxtest::ReadFile(InventoryPath(dir));
    if (now != previous) {
      RefM<TrkInventoryC> replaced = ReadInventory(InventoryPath(dir));
      ASSERT_TRUE(replaced) << "a partial inventory of " << now.size() << " bytes";
      EXPECT_EQ(replaced->GetFlatIndex().size(), entities);
      previous = now;
    }
  }
  // A kill after the save has ended proves nothing about the save: most must land inside it.
  EXPECT_GT(killedWhileSaving, 0) << "save time " << saveTime.count() << " us";
  EXPECT_LE(TemporaryFiles(InventoryDir(dir)), static_cast<size_t>(killedWhileSaving));

  // The next run finds a usable base, takes its delta and clears the temporary files.
  const hxapp::RunT next = RunProgram(dir, Args(dir, {"-o", "Difference=True", "-o", "IncrementalDiff=True",
                                                      "-o", std::string(c_BulkTrackerEntities) + "=1000"}), plugins);
  EXPECT_EQ(next.exitCode, 0u);
  EXPECT_FALSE(Contains(next.log.substr(next.log.rfind("Program arguments")), c_Reverted));
  EXPECT_EQ(FilesIn(InventoryDir(dir)), std::vector<std::string>{c_InventoryName});
  RefM<TrkInventoryC> last = ReadInventory(InventoryPath(dir));
  ASSERT_TRUE(last);
  EXPECT_EQ(last->GetFlatIndex().size(), entities - c_Entities + 1000);
}

}  // namespace
