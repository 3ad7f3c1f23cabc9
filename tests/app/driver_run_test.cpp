// The run driver in this process: when a run is skipped, which phases run for which inventory
// type, what a failing phase stops, how the inventory file is named, full and delta writing
// with their fallbacks, staging, the call of the upload, cancellation and the clean-up of the
// run's temporary files.

#include <gtest/gtest.h>

#include <regex>

#include "app/driver/TrkRunMessages.h"
#include "app/staging/TrkStagingMessages.h"
#include "foundation/messages/Errors.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::InProcessC;
using hxapp::ProbeTrackerC;

constexpr long c_Hour = 3600;

std::string InventoryPath(InProcessC& p) { return p.InventoryDir() + "/" + p.Value("InventoryFile"); }

std::string StagedPath(InProcessC& p) { return p.UploadDir() + "/" + p.Value("UploadFile") + ".gz"; }

std::string Staged(InProcessC& p) { return hxapp::Gunzipped(StagedPath(p)); }

using hxtest::ErrorIds;

TEST(TrackerFreshness, AgeOfTheInventoryFileAgainstTheInterval) {
  struct CaseT {
    const char* what;
    std::vector<std::string> args;
    bool file;
    long modifiedSeconds;  // relative to now
    bool recent;
    const char* ageLine;  // expected in the log, or null when none is written
  };
  const std::vector<CaseT> cases = {
      {"no interval", {}, true, -c_Hour, false, nullptr},
      {"younger than the interval", {"-o", "MinInventoryInterval=5"}, true, -2 * c_Hour - 60, true, "is 2 hour(s) old"},
      {"as old as the interval", {"-o", "MinInventoryInterval=5"}, true, -5 * c_Hour - 60, false, "is 5 hour(s) old"},
      {"older than the interval", {"-o", "MinInventoryInterval=5"}, true, -9 * c_Hour, false, "is 9 hour(s) old"},
      {"from the future", {"-o", "MinInventoryInterval=5"}, true, 3 * c_Hour + 60, false, "is -3 hour(s) old"},
      {"no inventory file", {"-o", "MinInventoryInterval=5"}, false, 0, false, nullptr},
      {"negative interval", {"-o", "MinInventoryInterval=-3"}, true, -60, false, nullptr},
      {"skip requested", {"-o", "SkipInventory=True"}, false, 0, true, nullptr},
  };
  for (const CaseT& c : cases) {
    InProcessC p;
    ASSERT_EQ(p.Load(c.args), hx::RC_OK) << c.what;
    if (c.file) {
      p.Dir().Mkdir("data/tracker/inventories");
      hxtest::WriteFile(InventoryPath(p), "old");
      hxtest::SetModified(InventoryPath(p), c.modifiedSeconds);
    }
    RefM<ProbeTrackerC> t = p.NewTracker();
    EXPECT_EQ(t->IsInventoryRecentEnough(), c.recent) << c.what;
    EXPECT_EQ(p.Value("SkipInventory"), c.recent ? "True" : "False") << c.what;
    t.reset();
    const std::string log = p.Log();
    if (c.ageLine != nullptr) {
      EXPECT_TRUE(Contains(log, "Existing inventory file \"" + InventoryPath(p) + "\" " + c.ageLine)) << c.what << log;
    } else {
      EXPECT_FALSE(Contains(log, "hour(s) old")) << c.what << log;
    }
  }
}

TEST(TrackerRun, RecentInventoryEndsTheRunWithoutTouchingAnything) {
  InProcessC p;
  ASSERT_EQ(p.Load({"-o", "MinInventoryInterval=24"}), hx::RC_OK);
  p.Dir().Mkdir("data/tracker/inventories");
  hxtest::WriteFile(InventoryPath(p), "old");
  hxtest::SetModified(InventoryPath(p), -c_Hour);
  RefM<ProbeTrackerC> t = p.NewTracker();
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  EXPECT_TRUE(t->phases.empty());
  EXPECT_FALSE(t->uploadCalled);
  EXPECT_EQ(hxtest::ReadFile(InventoryPath(p)), "old");
  EXPECT_FALSE(std::filesystem::exists(p.UploadDir()));
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "A new inventory will not be performed"));
}

TEST(TrackerRun, PhasesByInventoryType) {
  struct CaseT {
    const char* type;
    std::vector<std::pair<const char*, const char*>> settings;
    std::vector<std::string> phases;
  };
  const std::vector<std::string> all = {"hardware", "keys", "contents", "packages"};
  const std::vector<CaseT> cases = {
      {"Machine", {}, all},
      {"machine", {}, all},
      {"MACHINE", {{"Hardware", "False"}}, {"keys", "contents", "packages"}},
      {"User", {}, {"keys", "packages"}},
      {"user", {{"UserHardware", "True"}, {"TrackFilesInUserInventory", "True"}}, all},
      {"Server", {{"UserHardware", "True"}}, {"keys", "packages"}},
  };
  for (const CaseT& c : cases) {
    InProcessC p;
    ASSERT_EQ(p.Load(), hx::RC_OK);
    p.Set("InventoryType", c.type);
    for (const auto& [name, value] : c.settings) p.Set(name, value);
    RefM<ProbeTrackerC> t = p.NewTracker();
    EXPECT_EQ(p.Run(*t), hx::RC_OK) << c.type;
    EXPECT_EQ(t->phases, c.phases) << c.type;
  }
}

TEST(TrackerRun, FailingPhaseStopsTheLaterOnesAndTheRun) {
  InProcessC p;
  ASSERT_EQ(p.Load(), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  t->hardwareResult = hx::RcFromErrno(EIO);
  EXPECT_EQ(p.Run(*t), hx::RcFromErrno(EIO));
  EXPECT_EQ(t->phases, std::vector<std::string>{"hardware"});
  EXPECT_FALSE(std::filesystem::exists(InventoryPath(p)));
  EXPECT_FALSE(t->uploadCalled);
  t.reset();
  const std::string log = p.Log();
  EXPECT_TRUE(Contains(log, "Started tracking hardware")) << log;
  EXPECT_TRUE(Contains(log, "Finished tracking hardware")) << log;
  EXPECT_FALSE(Contains(log, "Started generating inventory")) << log;
}

TEST(TrackerRun, FullInventoryIsWrittenStagedAndHandedToTheUpload) {
  InProcessC p;
  ASSERT_EQ(p.Load(), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  t->hardwareClasses = {"Processor"};
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  const std::string inventory = hxtest::ReadFile(InventoryPath(p));
  EXPECT_TRUE(Contains(inventory, "<!DOCTYPE Inventory")) << inventory;
  EXPECT_TRUE(Contains(inventory, "Type=\"Full\" FileScan=\"False\">")) << inventory;
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Processor\"")) << inventory;
  EXPECT_EQ(Staged(p), inventory);
  EXPECT_TRUE(t->uploadCalled);
  EXPECT_EQ(t->uploadPath, StagedPath(p));
  EXPECT_EQ(p.Value("Generation"), "Full");
  // Nothing of the run but the inventory and the staged file stays behind.
  EXPECT_EQ(FilesIn(p.UploadDir()), std::vector<std::string>{p.Value("UploadFile") + ".gz"});
  EXPECT_TRUE(FilesIn(p.TempDir()).empty());
}

TEST(TrackerRun, DeltaAgainstThePreviousGeneration) {
  for (const bool incremental : {true, false}) {
    SCOPED_TRACE(incremental ? "incremental" : "against the kept full inventory");
    InProcessC p;
    ASSERT_EQ(p.Load(), hx::RC_OK);
    RefM<ProbeTrackerC> first = p.NewTracker();
    first->hardwareClasses = {"Processor", "Memory"};
    ASSERT_EQ(p.Run(*first), hx::RC_OK);
    // A mark that only survives if the full inventory is not written again.
    const std::string kept = hxtest::ReadFile(InventoryPath(p)) + "<!--first run-->";
    hxtest::WriteFile(InventoryPath(p), kept);

    p.Set("Difference", "True");
    p.Set("Generation", "1");
    p.Set("IncrementalDiff", incremental ? "True" : "False");
    p.Set("TamperShield", "True");
    RefM<ProbeTrackerC> second = p.NewTracker();
    second->hardwareClasses = {"Processor", "Disk"};
    EXPECT_EQ(p.Run(*second), hx::RC_OK);

    const std::string delta = Staged(p);
    EXPECT_TRUE(Contains(delta, "Type=\"Difference\" Generation=\"1\">")) << delta;
    const size_t remove = delta.find("<Remove>"), update = delta.find("<Update/>"), add = delta.find("<Add>");
    ASSERT_TRUE(remove != std::string::npos && update != std::string::npos && add != std::string::npos) << delta;
    EXPECT_TRUE(remove < update && update < add) << delta;
    EXPECT_NE(delta.find("Class=\"Memory\"", remove), std::string::npos) << delta;
    EXPECT_NE(delta.find("Class=\"Disk\"", add), std::string::npos) << delta;
    EXPECT_EQ(p.Value("Generation"), "1");
    const std::string inventory = hxtest::ReadFile(InventoryPath(p));
    EXPECT_EQ(Contains(inventory, "<!--first run-->"), !incremental);
    EXPECT_EQ(Contains(inventory, "Class=\"Disk\""), incremental);
    // Every staging with an inventory file signs it, the kept base of a delta included.
    EXPECT_TRUE(std::regex_search(inventory, std::regex("<!--[0-9a-f]{64}-->$"))) << inventory;
    EXPECT_TRUE(FilesIn(p.TempDir()).empty());
    // A delta never clears the staging directory: a full inventory not uploaded yet must still
    // reach the receiver before the deltas against it.
    EXPECT_EQ(FilesIn(p.UploadDir()).size(), 2u);
    second.reset();
    EXPECT_TRUE(Contains(p.Log(), "Generating an inventory delta (generation 1 of 9)"));
  }
}

// An absolute InventoryFile, and the default file below Configuration, are where the run writes
// its inventory and where the next run looks for its age.
TEST(TrackerRun, InventoryFileOutsideTheInventoryDirectory) {
  hxtest::TempDirC elsewhere("hxapp-abs");
  struct CaseT { const char* what; std::string option; std::string file; };
  const CaseT cases[] = {
      {"absolute InventoryFile", "InventoryFile=" + elsewhere.File("abs/inv.hxi"), elsewhere.File("abs/inv.hxi")},
      {"Configuration", "Configuration=" + elsewhere.File("conf"), elsewhere.File("conf/host1.hxi")},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    InProcessC p;
    ASSERT_EQ(p.Load({"-o", c.option, "-o", "MachineName=host1", "-o", "MinInventoryInterval=5"}), hx::RC_OK);
    ASSERT_EQ(p.RunOnce(), hx::RC_OK);
    EXPECT_TRUE(Contains(hxtest::ReadFile(c.file), "<!DOCTYPE Inventory")) << c.file;
    EXPECT_TRUE(FilesIn(p.InventoryDir()).empty());
    EXPECT_TRUE(p.NewTracker()->IsInventoryRecentEnough());
  }
}

// A temporary directory that cannot take the previous generation ends the incremental delta
// with 0x80000001, a log line that names the directory and why, and a failed step.
TEST(TrackerRun, UnusableTemporaryDirectoryIsNamedInTheLog) {
  InProcessC p;
  const std::string blocker = p.Dir().Write("blocker", "a file, not a directory");
  ASSERT_EQ(p.Load({"-o", "UserInteractionLevel=STATUS"}), hx::RC_OK);
  ASSERT_EQ(p.RunOnce(), hx::RC_OK);
  p.Set("Difference", "True");
  p.Set("Generation", "1");
  p.Set("IncrementalDiff", "True");
  p.Set("TempDirectory", blocker + "/tmp");
  EXPECT_EQ(p.RunOnce(), hx::RC_FAIL);
  EXPECT_TRUE(Contains(p.Log(), "ERROR: Could not write the copy of the previous inventory in the temporary directory '" +
                                    blocker + "/tmp': Not a directory"))
      << p.Log();
}

// A delta without a usable base (none, or one that is no inventory) becomes a full inventory.
TEST(TrackerRun, DeltaWithoutAUsableBaseWritesAFullInventory) {
  struct CaseT { const char* what; const char* base; const char* logged; };
  const CaseT cases[] = {
      {"no earlier inventory", nullptr, "Generating a full inventory"},
      {"unreadable base", "this is not an inventory", "Could not generate inventory delta - reverting to full inventory"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    InProcessC p;
    ASSERT_EQ(p.Load({"-o", "Difference=True", "-o", "IncrementalDiff=True"}), hx::RC_OK);
    ASSERT_EQ(p.Value("Generation"), "1");
    if (c.base != nullptr) p.Dir().Write("data/tracker/inventories/" + p.Value("InventoryFile"), c.base);
    EXPECT_EQ(p.RunOnce(), hx::RC_OK);
    EXPECT_EQ(p.Value("Difference"), "False");
    EXPECT_EQ(p.Value("Generation"), "Full");
    EXPECT_TRUE(Contains(Staged(p), "Type=\"Full\""));
    EXPECT_TRUE(FilesIn(p.TempDir()).empty());
    EXPECT_TRUE(Contains(p.Log(), c.logged));
  }
}

// When the delta is taken but cannot be written, the full inventory published instead still
// holds every entity of the run, also those the delta had already taken out of the inventory.
TEST(TrackerRun, EntitiesOfADeltaThatCouldNotBeWrittenAreInTheFullInventory) {
  InProcessC p;
  ASSERT_EQ(p.Load({"-o", "Difference=True", "-o", "IncrementalDiff=False"}), hx::RC_OK);
  // A base of 3,000 disks that this run no longer has: all of them go to the delta's "Remove",
  // which makes the delta far larger than the limit below, and the full inventory far smaller.
  p.Dir().Mkdir("data/tracker/inventories");
  RefM<TrkInventoryC> base = TrkInventoryC::New();
  base->Add("Type", "Full");
  for (int i = 0; i < 3000; ++i) TrkTrackC::AddClass(base.get(), "Disk", "old disk " + std::to_string(i), "devinfo");
  const FileNameC baseFile(InventoryPath(p));
  ASSERT_EQ(XmlSaveFile(&baseFile, base.get()), hx::RC_OK);

  RefM<ProbeTrackerC> t = p.NewTracker();
  t->hardwareClasses = {"Processor", "Memory"};  // both new: the delta moves them to "Add"
  hx::ResultT r;
  {
    hxapp::ScopedFileSizeLimitC limit(64 * 1024);
    ASSERT_TRUE(limit.ok());
    r = p.Run(*t);
  }
  EXPECT_EQ(r, hx::RC_OK);
  EXPECT_EQ(p.Value("Generation"), "Full");
  const std::string inventory = hxtest::ReadFile(InventoryPath(p));
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Processor\"")) << inventory;
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Memory\"")) << inventory;
  EXPECT_FALSE(Contains(inventory, "old disk")) << inventory;
  EXPECT_EQ(Staged(p), inventory);
  EXPECT_TRUE(FilesIn(p.TempDir()).empty());
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "Could not generate inventory delta - reverting to full inventory"));
}

TEST(TrackerRun, GeneratedNamesWithAJobTag) {
  InProcessC p;
  ASSERT_EQ(p.Load({"-o", "GuidAsName=True", "-o", "job=nightly"}), hx::RC_OK);
  const std::regex named("nightly_[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.hxi");
  std::vector<std::string> generated;
  for (int run = 0; run < 2; ++run) {
    RefM<ProbeTrackerC> t = p.NewTracker();
    EXPECT_EQ(p.Run(*t), hx::RC_OK);
    generated.push_back(t->GeneratedName());
    EXPECT_TRUE(std::filesystem::exists(p.InventoryDir() + "/nightly_" + t->GeneratedName())) << t->GeneratedName();
    // The staged file carries the generated name without the job tag; a full run replaces
    // what the run before staged.
    EXPECT_EQ(FilesIn(p.UploadDir()), std::vector<std::string>{t->GeneratedName() + ".gz"});
  }
  EXPECT_NE(generated[0], generated[1]);
  const std::vector<std::string> files = FilesIn(p.InventoryDir());
  ASSERT_EQ(files.size(), 2u);
  for (const std::string& f : files) EXPECT_TRUE(std::regex_match(f, named)) << f;
}

TEST(TrackerRun, WithoutInventoryFilesTheUploadStillRuns) {
  InProcessC p;
  ASSERT_EQ(p.Load(), hx::RC_OK);
  p.Set("IncludeMachineInventory", "False");
  p.Set("IncludeUserInventory", "False");
  RefM<ProbeTrackerC> t = p.NewTracker();
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  EXPECT_TRUE(t->uploadCalled);
  EXPECT_EQ(t->uploadPath, "");
  EXPECT_FALSE(std::filesystem::exists(p.InventoryDir()));
  EXPECT_FALSE(std::filesystem::exists(p.UploadDir()));
}

TEST(TrackerRun, UncompressedStagingCopiesTheFile) {
  InProcessC p;
  ASSERT_EQ(p.Load({"-o", "Compress=False"}), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  const std::string staged = p.UploadDir() + "/" + p.Value("UploadFile");
  EXPECT_EQ(t->uploadPath, staged);
  EXPECT_EQ(hxtest::ReadFile(staged), hxtest::ReadFile(InventoryPath(p)));
  EXPECT_EQ(FilesIn(p.UploadDir()).size(), 1u);
}

TEST(TrackerRun, DeclinedStartIsACancellation) {
  InProcessC p;
  ASSERT_EQ(p.Load(), hx::RC_OK);
  // A level without an interaction manager answers the start-up question with "no".
  p.Set("UserInteractionLevel", "nobody");
  getErrBuf()->reset();
  RefM<ProbeTrackerC> t = p.NewTracker();
  EXPECT_EQ(p.Run(*t), trk::run::MSG_CANCELLED);
  EXPECT_TRUE(t->phases.empty());
  EXPECT_FALSE(std::filesystem::exists(InventoryPath(p)));
  EXPECT_EQ(ErrorIds(), std::vector<int32_t>{trk::run::MSG_CANCELLED});
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "WARNING: Inventory tracking terminated by user"));
}

TEST(TrackerUpload, UploaderGetsItsPreferencesAndDeliversTheStagedFile) {
  hxtest::TempDirC server("hxapp-server");
  InProcessC p("[Tarvosk]\nServerLocation=" + server.Path() + "\nInstallDir=" + hxapp::c_BinaryDir + "\n");
  ASSERT_EQ(p.Load({"-t", "User"}), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  t->fakeUpload = false;
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  EXPECT_EQ(p.Value("UploadType"), "User");
  EXPECT_EQ(p.Value("SourceRemove"), "True");
  EXPECT_EQ(p.Value("UploadRule"), "Inventory");
  EXPECT_EQ(p.Value("UploadRuleValue"), p.Value("Inventory"));
  const std::string delivered = hxapp::Gunzipped(server.Path() + "/Inventories/" + p.Value("UploadFile") + ".gz");
  EXPECT_TRUE(Contains(delivered, "Audience=\"User\""));
  // A user inventory is staged in the user's upload directory, which the uploader emptied.
  const std::string userUploads = p.Value("UserUploadDirectory");
  EXPECT_TRUE(std::filesystem::is_directory(userUploads)) << userUploads;
  EXPECT_TRUE(FilesIn(userUploads).empty());
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "Finished uploading inventory"));
}

TEST(TrackerUpload, MissingUploaderFailsTheRun) {
  hxtest::TempDirC install("hxapp-install");
  InProcessC p("[Tarvosk]\nServerLocation=/nonexistent-server\nInstallDir=" + install.Path() + "\n");
  ASSERT_EQ(p.Load(), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  t->fakeUpload = false;
  EXPECT_EQ(p.Run(*t), trk::staging::MSG_UPLOAD_FAILED);
  // Both tries of the loader are reported, then the upload's own message.
  EXPECT_EQ(ErrorIds(), (std::vector<int32_t>{trk::staging::MSG_LOAD_LIBRARY, trk::staging::MSG_LOAD_LIBRARY,
                                              trk::staging::MSG_UPLOAD_FAILED}));
  EXPECT_TRUE(Contains(getErrBuf()->get(0)->message(), install.Path() + "/lib/libuploader"));
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "Unable to upload inventory file(s)"));
}

}  // namespace
