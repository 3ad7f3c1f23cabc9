// Whole runs of bin/hxtrack under attack by a local user: places that a stranger controls are
// refused before anything is loaded from them, links planted where the run keeps its files
// leave their targets untouched, what the run writes is its owner's alone, runs started
// together lose no delivery, killed runs leave no temporary file for long, a lock held for
// ever does not keep a run waiting for ever, and a machine name cannot lead a file elsewhere.

#include <sched.h>
#include <sys/sem.h>

#include <random>

#include "app/entry/SimpleSemaphore.h"
#include "app/entry/TrkAppTable.h"
#include "foundation/files/Trust.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::RunProgram;
using hxapp::TrackerProcessC;

constexpr uid_t c_Stranger = 65534;  // nobody
constexpr const char* c_MarkPlugin = HX_BINARY_DIR "/test-plugins/mark/libmarkplugin.so";

// Quiet, fast (no hardware), with a fixed inventory name and the temporary files in dir/tmp.
std::vector<std::string> Args(const hxtest::TempDirC& dir, std::vector<std::string> more) {
  dir.Mkdir("tmp");
  more.insert(more.begin(), {"-o", "Hardware=False", "-o", "TempDirectory=" + dir.File("tmp"), "-o",
                             "InventoryFile=inv.hxi"});
  return hxapp::QuietArgs(std::move(more));
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

// A data directory named by a bootstrap file, whose own configuration names a directory with
// a plug-in that marks its loading; then one place is made untrusted.
TEST(TrackerTrust, UntrustedPlacesAreRefusedAndNothingIsLoadedFromThem) {
  HX_TEST_NEEDS_ROOT();
  // mode: what the place gets, 0 for being handed to the stranger
  struct CaseT { const char* what; const char* place; mode_t mode; uint32_t exitCode; const char* ownerAndMode; };
  const uint32_t untrusted = hxapp::ExitStatusOf(hx::RC_UNTRUSTED);
  const CaseT cases[] = {
      {"data directory of another user", "data", 0, untrusted, "owned by user 65534 (nobody) with mode 0755"},
      {"data directory writable by others", "data", 0777, untrusted, "owned by user 0 (root) with mode 0777"},
      {"configuration file writable by others", "data/etc/config.ini", 0666, untrusted, "with mode 0666"},
      {"plug-in directory of another user", "plugins", 0, 0, "owned by user 65534 (nobody)"},
      {"plug-in writable by others", "plugins/mark.so", 0666, 0, "with mode 0666"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hxapp-trust");
    ::chmod(dir.Path().c_str(), 0755);
    dir.Mkdir("install");
    dir.Mkdir("plugins");
    std::filesystem::copy_file(c_MarkPlugin, dir.File("plugins/mark.so"));
    ::chmod(dir.File("plugins/mark.so").c_str(), 0755);
    const std::string boot = dir.Write("boot.ini", "[Tarvosk]\nInstallDir=" + dir.File("install") +
                                                       "\nCommonAppDataFolder=" + dir.File("data") + "\n");
    dir.Write("data/etc/config.ini", "[Tarvosk]\nPluginDirectory=" + dir.File("plugins") +
                                         "\nServerLocation=" + dir.File("server") + "\n");
    ::chmod(dir.File("data").c_str(), 0755);
    const std::string refused = dir.File(c.place);
    if (c.mode == 0) ::chown(refused.c_str(), c_Stranger, c_Stranger);
    else ::chmod(refused.c_str(), c.mode);

    hxtest::ChildC p(CommandLineC{hxapp::c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "Hardware=False"});
    p.Environment({"TARVOSKINI=" + boot, "TARVOSKCONFIGINI=", "TARVOSKINSTALLDIR=", "TARVOSKDATADIR=",
                   "TARVOSKSYSROOT=", "HXTEST_PLUGIN_MARK=" + dir.File("mark")});
    p.WorkingDirectory(dir.Path());
    ASSERT_EQ(p.Start(), hx::RC_OK);
    EXPECT_EQ(p.Finish(), c.exitCode) << p.Err();
    EXPECT_FALSE(std::filesystem::exists(dir.File("mark"))) << "the plug-in was loaded";
    // The refusal names the place, its owner and its mode: on standard error when the log is
    // below the refused place, else in the log.
    const std::string told = p.Err() + hxtest::ReadFile(dir.File("data/log/tracker.log"));
    EXPECT_TRUE(Contains(told, "'" + refused + "'")) << told;
    EXPECT_TRUE(Contains(told, c.ownerAndMode)) << told;
  }
}

// Links that a stranger planted where the run keeps its log, inventory, staging directory and
// staged file: whatever they point to stays as it was.
TEST(TrackerTrust, LinksPlantedForTheRunsFilesLeaveTheirTargetsUntouched) {
  // link: below dir; directory: the target is a directory holding one file
  struct CaseT { const char* what; const char* link; bool directory; uint32_t exitCode; };
  const CaseT cases[] = {
      {"log file", "data/log/tracker.log", false, 0},
      {"inventory file", "data/tracker/inventories/inv.hxi", false, 0},
      {"staged file", "data/uploads/staged.hxi.gz", false, 0},
      {"staging directory", "data/uploads", true, hxapp::ExitStatusOf(hx::RC_UNTRUSTED)},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hxapp-trust");
    const std::string victim = c.directory ? dir.Mkdir("victim") : dir.File("victim");
    const std::string victimFile = dir.Write(c.directory ? "victim/secret" : "victim", "root's own data\n");
    std::filesystem::create_directories(std::filesystem::path(dir.File(c.link)).parent_path());
    ASSERT_EQ(::symlink(victim.c_str(), dir.File(c.link).c_str()), 0);

    TrackerProcessC p(dir, Args(dir, {"-o", "Upload=False", "-o", "UploadFile=staged.hxi"}));
    ASSERT_EQ(p.Start(), hx::RC_OK);
    EXPECT_EQ(p.Finish(), c.exitCode) << p.Err();
    EXPECT_EQ(hxtest::ReadFile(victimFile), "root's own data\n");
    const std::string told = p.Err() + hxtest::ReadFile(dir.File("data/log/tracker.log"));
    EXPECT_TRUE(Contains(told, "'" + dir.File(c.link) + "' is a symbolic link")) << told;
    if (c.directory) {
      EXPECT_EQ(FilesIn(victim), std::vector<std::string>{"secret"});
    }
  }
}

// Whatever the umask of whoever started it, the run's inventory, staged, delivered and log
// files are its owner's alone, and so are the directories it makes.
TEST(TrackerTrust, FilesTheRunWritesAreReadableByTheOwnerAlone) {
  hxtest::TempDirC dir("hxapp-trust");
  for (const char* staged : {"sent.hxi", "staged.hxi"}) {  // a full run clears what an earlier one staged
    TrackerProcessC p(dir, Args(dir, {"-o", std::string("Upload=") + (staged[1] == 't' ? "False" : "True"), "-o",
                                      std::string("UploadFile=") + staged}));
    const mode_t previous = ::umask(0);  // the run inherits it
    const hx::ResultT started = p.Start();
    ::umask(previous);
    ASSERT_EQ(started, hx::RC_OK);
    ASSERT_EQ(p.Finish(), 0u) << p.Err();
  }
  for (const std::string& path : {dir.File("data/tracker/inventories/inv.hxi"), dir.File("data/uploads/staged.hxi.gz"),
                                  dir.File("data/log/tracker.log"), dir.File("data/uploads"), dir.File("server/Inventories"),
                                  dir.File("server/Inventories/sent.hxi.gz")})
    EXPECT_EQ(ModeOf(path) & 077, 0u) << path << " mode " << std::oct << ModeOf(path);
}

// Eight runs started together share one time stamp, so their upload rule names the same file:
// each delivery gets a name of its own and none is lost.
TEST(TrackerTrust, RunsStartedTogetherLoseNoDelivery) {
  constexpr int c_Runs = 8;
  hxtest::TempDirC dir("hxapp-trust");
  // Each process object writes the configuration: all are made before the first run starts.
  std::vector<std::unique_ptr<TrackerProcessC>> runs;
  for (int i = 0; i < c_Runs; ++i)
    runs.push_back(std::make_unique<TrackerProcessC>(dir, Args(dir, {"-o", "DateTime=20260101T000000"})));
  for (auto& run : runs) ASSERT_EQ(run->Start(), hx::RC_OK);
  for (auto& run : runs) EXPECT_EQ(run->Finish(), 0u) << run->Err();
  EXPECT_EQ(FilesIn(dir.File("server/Inventories")).size(), static_cast<size_t>(c_Runs));
}

// Runs killed at random moments (deltas with a copy of their base, compression under way)
// leave temporary files; the next run clears them all.
TEST(TrackerTrust, KilledRunsLeaveNoTemporaryFileBehindTheNextRun) {
  constexpr int c_Kills = 50;
  hxtest::TempDirC dir("hxapp-trust");
  const std::vector<std::string> delta = Args(dir, {"-o", "Difference=True", "-o", "IncrementalDiff=True"});
  ASSERT_EQ(RunProgram(dir, delta).exitCode, 0u);
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> delay(0, 60000);
  for (int i = 0; i < c_Kills; ++i) {
    TrackerProcessC p(dir, delta);
    ASSERT_EQ(p.Start(), hx::RC_OK);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(static_cast<pid_t>(p.Pid()), SIGKILL);
    p.Finish();
  }
  const hxapp::RunT next = RunProgram(dir, delta);
  EXPECT_EQ(next.exitCode, 0u) << next.log;
  for (const char* place : {"tmp", "data/uploads"})
    EXPECT_TRUE(FilesIn(dir.File(place), "tvk").empty()) << place;
}

// A lock that another process holds and never gives back ends the run after LockTimeout with
// the lock's error, through the closing steps; the run never goes on unlocked.
TEST(TrackerTrust, ALockHeldForEverEndsTheRunAfterLockTimeout) {
  std::unique_ptr<SimpleSemaphoreC> held(SimpleSemaphoreC::GetSemaphore(trk::s_TrackerSemaphoreName, 0, 1));
  ASSERT_TRUE(held && held->ObtainResource());
  hxtest::TempDirC dir("hxapp-trust");
  const hxapp::RunT run = RunProgram(dir, Args(dir, {"-o", "LockTimeout=2"}));
  EXPECT_TRUE(held->ReleaseResource());
  EXPECT_EQ(run.exitCode, hxapp::ExitStatusOf(hx::RcFromErrno(EAGAIN))) << run.log;
  EXPECT_TRUE(Contains(run.log, "Could not obtain semaphore lock, Windows error code: 11")) << run.log;
  EXPECT_FALSE(Contains(run.log, "Inventory tracking started")) << run.log;
  EXPECT_TRUE(hxapp::EndsWithSeparator(run.log)) << run.log;
}

// A set that an ordinary user made under the lock's key before root's first run, its one unit
// taken, would keep every run waiting LockTimeout: the run replaces it, says whose it was, and
// goes on. In an IPC namespace of its own, so that the machine's own lock is never touched.
TEST(TrackerTrust, ALockSetOfAnotherUserIsReplaced) {
  HX_TEST_NEEDS_ATTACKER(attacker);
  hxtest::TempDirC dir("hxapp-trust");
  const std::vector<std::string> args = Args(dir, {"-o", "LockTimeout=5"});
  const int status = hxtest::InChild([&] {
    if (::unshare(CLONE_NEWIPC) != 0) return 200;
    const key_t key = UNIXSimpleSemaphoreC::KeyOf(trk::s_TrackerSemaphoreName);
    // Made and initialised as a tracker would, then its unit taken for good (no undo).
    const auto take = [key] {
      const int id = ::semget(key, 1, IPC_CREAT | IPC_EXCL | 0666);
      struct sembuf ops[2] = {{0, 1, 0}, {0, -1, 0}};
      return id == -1 || ::semop(id, &ops[0], 1) != 0 || ::semop(id, &ops[1], 1) != 0;
    };
    if (hxtest::AsUser(attacker, take) != 0) return 201;
    return static_cast<int>(RunProgram(dir, args).exitCode);
  });
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  EXPECT_EQ(status, 0) << log;
  EXPECT_TRUE(Contains(log, "was owned by user " + std::to_string(attacker) + " (hxattacker)")) << log;
  EXPECT_TRUE(Contains(log, "Obtained semaphore lock.")) << log;
  EXPECT_EQ(FilesIn(dir.File("server/Inventories")).size(), 1u);
}

// A machine name that reads like a path becomes one safe file name inside the inventory and
// upload directories; the inventory itself keeps the name as it is.
TEST(TrackerTrust, AMachineNameCannotLeadAFileOutOfItsDirectory) {
  hxtest::TempDirC dir("hxapp-trust");
  // The default inventory name: the machine's.
  const hxapp::RunT run = RunProgram(dir, hxapp::QuietArgs({"-o", "Hardware=False", "-o", "MachineName=../../escape/evil"}));
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::string inventory = dir.File("data/tracker/inventories/_._.._escape_evil.hxi");
  EXPECT_TRUE(Contains(hxtest::ReadFile(inventory), "MachineName=\"../../escape/evil\"")) << inventory;
  EXPECT_FALSE(std::filesystem::exists(dir.File("escape")));
  const std::vector<std::string> delivered = FilesIn(dir.File("server/Inventories"));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_TRUE(Contains(delivered[0], " on _._.._escape_evil at ")) << delivered[0];
}

}  // namespace
