// The run driver in this process: when a run is skipped, which phases run for which inventory
// type, what a failing phase stops, how the inventory file is named, full and delta writing
// with their fallbacks, the signature, staging, the call of the upload, cancellation and the
// clean-up of the run's temporary files.

#include <regex>

#include "app/driver/TrkRunMessages.h"
#include "app/driver/TrkTamperShield.h"
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

// A recent enough inventory ends the run at once and touches nothing.
TEST(TrackerFreshness, AgeOfTheInventoryFileAgainstTheInterval) {
  // modifiedSeconds: relative to now; ageLine: expected in the log, or null when none is written
  struct CaseT { const char* what; std::vector<std::string> args; bool file; long modifiedSeconds; bool recent; const char* ageLine; };
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
    SCOPED_TRACE(c.what);
    InProcessC p;
    ASSERT_EQ(p.Load(c.args), hx::RC_OK);
    if (c.file) {
      p.Dir().Mkdir("data/tracker/inventories");
      hxtest::WriteFile(InventoryPath(p), "old");
      hxtest::SetModified(InventoryPath(p), c.modifiedSeconds);
    }
    RefM<ProbeTrackerC> t = p.NewTracker();
    EXPECT_EQ(p.Run(*t), hx::RC_OK);
    EXPECT_EQ(t->phases.empty(), c.recent);
    EXPECT_EQ(t->uploadCalled, !c.recent);
    EXPECT_EQ(std::filesystem::exists(p.UploadDir()), !c.recent);
    EXPECT_EQ(p.Value("SkipInventory"), c.recent ? "True" : "False");
    EXPECT_EQ(c.file && hxtest::ReadFile(InventoryPath(p)) == "old", c.recent && c.file);
    t.reset();
    const std::string log = p.Log();
    EXPECT_EQ(Contains(log, "A new inventory will not be performed"), c.recent) << log;
    EXPECT_EQ(Contains(log, "hour(s) old"), c.ageLine != nullptr) << log;
    EXPECT_TRUE(!c.ageLine || Contains(log, "Existing inventory file \"" + InventoryPath(p) + "\" " + c.ageLine)) << log;
  }
}

TEST(TrackerRun, PhasesByInventoryType) {
  struct CaseT { const char* type; std::vector<std::pair<const char*, const char*>> settings; std::vector<std::string> phases; };
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

// The signature as a receiver computes it (the values here come from the OpenSSL command line):
// the MD5 of the body, enciphered with AES-256-ECB under the MD5 of the key text.
TEST(TrackerSignature, KnownAnswer) {
  hxtest::TempDirC dir("hxapp-sign");
  std::string digest, cipher;
  ASSERT_EQ(trk::FileDigest(FileNameC(dir.Write("body", "<Inventory/>")), &digest), hx::RC_OK);
  EXPECT_EQ(digest, "226784b76cfea233151b15a850e90cd5");
  ASSERT_EQ(trk::TamperShieldCipher(digest, "/opt/t/messages/hxtmsg.cat", &cipher), hx::RC_OK);
  EXPECT_EQ(cipher, "2810851ac694937ea86437dcfe0a8234aaf958ecb89f86ba5444ea3e5f064236");
}

TEST(TrackerRun, FullInventoryIsWrittenSignedStagedAndHandedToTheUpload) {
  InProcessC p;
  const std::string keyText = p.Dir().File("messages/hxtmsg.cat");
  ASSERT_EQ(p.Load({"-o", "TamperShield=True", "-o", "LogMsgCatPath=" + keyText}), hx::RC_OK);
  RefM<ProbeTrackerC> t = p.NewTracker();
  t->hardwareClasses = {"Processor"};
  EXPECT_EQ(p.Run(*t), hx::RC_OK);
  const std::string inventory = hxtest::ReadFile(InventoryPath(p));
  EXPECT_TRUE(Contains(inventory, "<!DOCTYPE Inventory")) << inventory;
  EXPECT_TRUE(Contains(inventory, "Type=\"Full\" FileScan=\"False\">")) << inventory;
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Processor\"")) << inventory;
  const size_t open = inventory.rfind("<!--");
  ASSERT_NE(open, std::string::npos);
  std::string digest, cipher;
  ASSERT_EQ(trk::FileDigest(FileNameC(p.Dir().Write("body", inventory.substr(0, open))), &digest), hx::RC_OK);
  ASSERT_EQ(trk::TamperShieldCipher(digest, keyText, &cipher), hx::RC_OK);
  EXPECT_EQ(inventory.substr(open), "<!--" + cipher + "-->");
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
    // The base is replaced while the run tracks, after the run read it meanwhile: the delta is
    // taken against the file as it is when the delta is made.
    second->duringHardware = [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      hxtest::WriteFile(InventoryPath(p) + ".new", std::regex_replace(kept, std::regex("Memory"), "Tape"));
      ASSERT_EQ(std::rename((InventoryPath(p) + ".new").c_str(), InventoryPath(p).c_str()), 0);
    };
    EXPECT_EQ(p.Run(*second), hx::RC_OK);

    const std::string delta = Staged(p);
    EXPECT_TRUE(Contains(delta, "Type=\"Difference\" Generation=\"1\">")) << delta;
    const size_t remove = delta.find("<Remove>"), update = delta.find("<Update/>"), add = delta.find("<Add>");
    ASSERT_TRUE(remove != std::string::npos && update != std::string::npos && add != std::string::npos) << delta;
    EXPECT_TRUE(remove < update && update < add) << delta;
    EXPECT_NE(delta.find("Class=\"Tape\"", remove), std::string::npos) << delta;
    EXPECT_FALSE(Contains(delta, "Memory")) << delta;
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

// A delta without a usable base (none, or one that is no inventory: the reader's tests list the
// kinds) becomes a full inventory, which replaces the useless base, incremental or not.
TEST(TrackerRun, DeltaWithoutAUsableBaseWritesAFullInventory) {
  for (const char* base : {static_cast<const char*>(nullptr), "this is not an inventory"}) {
    for (const char* incremental : {"True", "False"}) {
      SCOPED_TRACE(std::string(base ? base : "no base") + ", IncrementalDiff=" + incremental);
      InProcessC p;
      ASSERT_EQ(p.Load({"-o", "Difference=True", "-o", std::string("IncrementalDiff=") + incremental}), hx::RC_OK);
      ASSERT_EQ(p.Value("Generation"), "1");
      if (base != nullptr) p.Dir().Write("data/tracker/inventories/" + p.Value("InventoryFile"), base);
      EXPECT_EQ(p.RunOnce(), hx::RC_OK);
      EXPECT_EQ(p.Value("Difference"), "False");
      EXPECT_EQ(p.Value("Generation"), "Full");
      EXPECT_TRUE(Contains(Staged(p), "Type=\"Full\""));
      EXPECT_EQ(hxtest::ReadFile(InventoryPath(p)), Staged(p));
      EXPECT_EQ(FilesIn(p.InventoryDir()), std::vector<std::string>{p.Value("InventoryFile")});
      EXPECT_TRUE(FilesIn(p.TempDir()).empty());
      EXPECT_TRUE(Contains(p.Log(), base ? "Could not generate inventory delta - reverting to full inventory"
                                         : "Generating a full inventory"));
    }
  }
}

// A delta that is taken but cannot be written: the full inventory published instead still holds
// every entity of the run, also those the delta had already taken out of the inventory. When the
// full inventory cannot be written either, the run fails and the previous file stays as it was.
TEST(TrackerRun, DeltaThatCouldNotBeWritten) {
  struct CaseT { const char* what; int baseDisks, processors; const char* incremental; hx::ResultT result; };
  const CaseT cases[] = {
      // 3,000 disks this run no longer has make the delta's "Remove" far over the limit.
      {"the full inventory is written instead", 3000, 1, "False", hx::RC_OK},
      // The base copied aside for an incremental delta is cleared all the same.
      {"nothing can be written", 1, 3000, "True", trk::run::MSG_RAW_INVENTORY},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    InProcessC p;
    ASSERT_EQ(p.Load({"-o", "Difference=True", "-o", std::string("IncrementalDiff=") + c.incremental}), hx::RC_OK);
    p.Dir().Mkdir("data/tracker/inventories");
    RefM<TrkInventoryC> base = TrkInventoryC::New();
    EXPECT_EQ(base->Add("Type", "Full"), hx::RC_OK);
    for (int i = 0; i < c.baseDisks; ++i) TrkTrackC::AddClass(base.get(), "Disk", "old disk " + std::to_string(i), "devinfo");
    const FileNameC baseFile(InventoryPath(p));
    ASSERT_EQ(XmlSaveFile(&baseFile, base.get()), hx::RC_OK);
    const std::string previous = hxtest::ReadFile(InventoryPath(p));

    RefM<ProbeTrackerC> t = p.NewTracker();
    for (int i = 0; i < c.processors; ++i) t->hardwareClasses.push_back("Processor" + std::to_string(i));
    t->hardwareClasses.push_back("Memory");
    hx::ResultT r;
    {
      hxapp::ScopedFileSizeLimitC limit(64 * 1024);
      ASSERT_TRUE(limit.ok());
      r = p.Run(*t);
    }
    EXPECT_EQ(r, c.result);
    const std::string inventory = hxtest::ReadFile(InventoryPath(p));
    if (hx::Succeeded(c.result)) {
      EXPECT_EQ(p.Value("Generation"), "Full");
      EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Processor0\"")) << inventory;
      EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Memory\"")) << inventory;
      EXPECT_FALSE(Contains(inventory, "old disk"));
      EXPECT_EQ(Staged(p), inventory);
    } else {
      EXPECT_TRUE(inventory == previous);
    }
    EXPECT_EQ(FilesIn(p.InventoryDir()), std::vector<std::string>{p.Value("InventoryFile")});
    EXPECT_TRUE(FilesIn(p.TempDir()).empty());
    t.reset();
    const std::string log = p.Log();
    EXPECT_EQ(Contains(log, "Could not generate inventory delta - reverting to full inventory"), hx::Succeeded(c.result));
    EXPECT_EQ(Contains(log, "ERROR: Could not create raw inventory"), hx::Failed(c.result));
  }
}

// An inventory that cannot be written fails the run with "could not create raw inventory" and
// leaves neither a partial nor a temporary file.
TEST(TrackerRun, UnwritableInventoryFailsTheRunWithoutLitter) {
  const std::function<std::vector<std::string>(const hxtest::TempDirC&)> prepare[] = {
      [](const hxtest::TempDirC& dir) {  // a file where the inventory directory should be
        return std::vector<std::string>{"-o", "InventoryDirectory=" + dir.Write("blocker", "a file") + "/inventories"};
      },
      [](const hxtest::TempDirC& dir) {  // a directory under the inventory's name
        dir.Mkdir("data/tracker/inventories/inv.hxi");
        return std::vector<std::string>{};
      },
  };
  for (const auto& made : prepare) {
    InProcessC p;
    std::vector<std::string> args = made(p.Dir());
    args.insert(args.end(), {"-o", "InventoryFile=inv.hxi"});
    ASSERT_EQ(p.Load(args), hx::RC_OK);
    RefM<ProbeTrackerC> t = p.NewTracker();
    EXPECT_EQ(p.Run(*t), trk::run::MSG_RAW_INVENTORY);
    EXPECT_TRUE(FilesIn(p.TempDir()).empty());
    EXPECT_FALSE(std::filesystem::exists(p.UploadDir()));
    EXPECT_TRUE(FilesIn(p.InventoryDir()).empty());
    t.reset();
    EXPECT_TRUE(Contains(p.Log(), "ERROR: Could not create raw inventory")) << p.Log();
  }
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
