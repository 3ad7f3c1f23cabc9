#pragma once
// Shared by the tracker-run tests: where the built program, uploader and test plug-in are; a
// run of bin/hxtrack in a directory of its own (configuration, data directory and log there);
// and an in-process run of the Unix tracker over preferences loaded as start-up loads them.

#include <zlib.h>

#include "app/driver/TrkUnixTracker.h"
#include "app/entry/HxlContext.h"
#include "foundation/core/RefCount.h"
#include "foundation/process/Process.h"
#include "inventory/TrkTrack.h"
#include "prefs/PrefsTestSupport.h"
#include "tests/inventory/InventoryTestSupport.h"
#include "support/TestSupport.h"

namespace hxapp {

constexpr const char* c_Program = HX_BINARY_DIR "/bin/hxtrack";
constexpr const char* c_BinaryDir = HX_BINARY_DIR;
constexpr const char* c_Uploader = HX_BINARY_DIR "/lib/libuploader.so";
constexpr const char* c_PluginDir = HX_BINARY_DIR "/test-plugins/tracker";
constexpr const char* c_CancellingInstallDir = HX_BINARY_DIR "/test-plugins/cancelling";
constexpr const char* c_NewSession = "/usr/bin/setsid";
constexpr const char* c_Separator = "************************************************************\n";

using hxtest::Contains;
using hxtest::FilesIn;

// Whether a run's log ends as every run ends: with the row of asterisks.
inline bool EndsWithSeparator(const std::string& log) { return log.size() > 61 && hx::EndsWith(log, c_Separator); }

// The path of the one regular file in dir ("" and a failure when there is not exactly one).
inline std::string OnlyFile(const std::string& dir) {
  const std::vector<std::string> files = FilesIn(dir);
  EXPECT_EQ(files.size(), 1u) << dir;
  return files.size() == 1 ? dir + "/" + files[0] : std::string();
}

using invtest::ScopedFileSizeLimitC;

// The content of a gzip file; a failure when it cannot be read as one.
inline std::string Gunzipped(const std::string& path) {
  std::string content;
  gzFile in = gzopen(path.c_str(), "rb");
  char buffer[4096];
  int n = -1;
  while (in != nullptr && (n = gzread(in, buffer, sizeof buffer)) > 0) content.append(buffer, static_cast<size_t>(n));
  EXPECT_TRUE(in != nullptr && gzclose(in) == Z_OK && n == 0) << path;
  return content;
}

// ---- the program ----

// One hxtrack process with its configuration in `dir`: the INI text (a local ServerLocation
// and an empty plug-in directory unless the text says otherwise), TARVOSKDATADIR=dir/data and
// TARVOSKINSTALLDIR=<build> (so bin/../lib/libuploader.so is found), input from /dev/null.
class TrackerProcessC : public hxtest::ChildC {
 public:
  // installDir: where bin/../lib/libuploader.so is looked for (the build by default).
  // noTerminal: the process runs in a session of its own, without a terminal to ask on.
  TrackerProcessC(const hxtest::TempDirC& dir, const std::vector<std::string>& args, const std::string& ini = "",
                  const std::string& installDir = c_BinaryDir, bool noTerminal = false)
      : ChildC(CommandLineOf(args, noTerminal)) {
    // An empty plug-in directory unless the test names one: the default (".") would load any
    // module below the working directory.
    const std::string plugins = ini.find("PluginDirectory=") == std::string::npos
                                    ? "PluginDirectory=" + dir.File("plugins") + "\n"
                                    : std::string();
    const std::string iniPath =
        dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") + "\n" + plugins + ini);
    env_ = {"TARVOSKCONFIGINI=" + iniPath, "TARVOSKINSTALLDIR=" + installDir, "TARVOSKDATADIR=" + dir.File("data"),
            "TARVOSKSYSROOT="};
    Environment(env_);
    WorkingDirectory(dir.Path());
  }

  // The run inventories the fixture machine in `root` (TARVOSKSYSROOT) instead of this host.
  TrackerProcessC& OnMachine(const std::string& root) {
    env_.back() = "TARVOSKSYSROOT=" + root;
    Environment(env_);
    return *this;
  }

 private:
  StringArrayC env_;

  static CommandLineC CommandLineOf(const std::vector<std::string>& args, bool noTerminal) {
    CommandLineC commandLine = noTerminal ? CommandLineC{c_NewSession, "--wait", c_Program} : CommandLineC{c_Program};
    for (const std::string& a : args) commandLine.Add(a);
    return commandLine;
  }
};

// Options for a run without anyone to ask, at normal priority, followed by `more`.
inline std::vector<std::string> QuietArgs(std::vector<std::string> more) {
  more.insert(more.begin(), {"-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False"});
  return more;
}

struct RunT { uint32_t exitCode = 0xFFFFFFFFu; std::string log; };

inline RunT RunProgram(const hxtest::TempDirC& dir, const std::vector<std::string>& args, const std::string& ini = "") {
  TrackerProcessC p(dir, args, ini);
  RunT run;
  EXPECT_EQ(p.Start(), hx::RC_OK);
  run.exitCode = p.Finish();
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

// The exit status a result code gives.
constexpr uint32_t ExitStatusOf(hx::ResultT r) { return static_cast<uint32_t>(r) & 0xFFu; }

// ---- fixture machines ----

inline const std::string c_Machines = HX_SOURCE_DIR "/tests/fixtures/machines/";
constexpr const char* c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";
// The boot time the runs give the machines (the modification time of their /proc/0).
constexpr time_t c_BootTime = 1311769893;  // 2011-07-27 12:31:33 UTC

// A copy of fixture machine `name` in dir/machine, its /proc/0 (when it has one) dated c_BootTime.
inline std::string CopyMachine(const hxtest::TempDirC& dir, const std::string& name) {
  const std::string machine = dir.File("machine");
  hxtest::CopyTree(c_Machines + name, machine);
  const struct timespec times[2] = {{c_BootTime, 0}, {c_BootTime, 0}};
  ::utimensat(AT_FDCWD, (machine + "/proc/0").c_str(), times, 0);
  return machine;
}

struct MachineRunT { uint32_t exitCode = 0xFFFFFFFFu; std::string inventory, log; };

// One run with the shipped configuration, not uploading, on `machine` ("" for this host); the
// data directory dir/data is kept from run to run.
inline MachineRunT RunOnMachine(const hxtest::TempDirC& dir, const std::string& machine, std::vector<std::string> args = {}) {
  args.insert(args.end(), {"-o", "Upload=False"});
  TrackerProcessC p(dir, QuietArgs(args), hxtest::ReadFile(c_ShippedIni));
  MachineRunT run;
  EXPECT_EQ(p.OnMachine(machine).Start(), hx::RC_OK);
  run.exitCode = p.Finish();
  const std::vector<std::string> files = FilesIn(dir.File("data/tracker/inventories"));
  if (files.size() == 1) run.inventory = hxtest::ReadFile(dir.File("data/tracker/inventories/" + files[0]));
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

// The lines from the first Hardware element to the end of the last one.
inline std::string HardwareBlock(const std::string& document) {
  const std::string end = "\t</Hardware>\n";
  const size_t begin = document.find("\t<Hardware "), last = document.rfind(end);
  return begin == std::string::npos || last == std::string::npos ? "" : document.substr(begin, last + end.size() - begin);
}

// ---- in process ----

// The Unix tracker with each phase noted, and the hardware and upload steps under the test's
// control.
class ProbeTrackerC : public TrkUnixTrackerC {
 public:
  std::vector<std::string> phases;
  hx::ResultT hardwareResult = hx::RC_OK;
  bool fakeUpload = true;       // note the upload instead of loading the uploader
  bool uploadCalled = false;
  std::string uploadPath;
  std::vector<std::string> hardwareClasses;  // added to the inventory by the hardware step
  std::function<void()> duringHardware;       // called by the hardware step

  hx::ResultT UploadInventory(const char* path, ZORHXContextI* context) override {
    if (!fakeUpload) return TrkUnixTrackerC::UploadInventory(path, context);
    uploadCalled = true;
    uploadPath = path != nullptr ? path : "(null)";
    return hx::RC_OK;
  }

 protected:
  ~ProbeTrackerC() override = default;
  hx::ResultT TrackHardware() override { return Note("hardware", TrkUnixTrackerC::TrackHardware()); }
  hx::ResultT TrackKeys() override { return Note("keys", TrkUnixTrackerC::TrackKeys()); }
  hx::ResultT TrackContents() override { return Note("contents", TrkUnixTrackerC::TrackContents()); }
  hx::ResultT TrackPackages() override { return Note("packages", TrkUnixTrackerC::TrackPackages()); }
  hx::ResultT TrackUnixHardware() override {
    for (const std::string& c : hardwareClasses) TrkTrackC::AddClass(inventory_.get(), c, c + " name", "");
    if (duringHardware) duringHardware();
    return hardwareResult;
  }

 private:
  hx::ResultT Note(const char* phase, hx::ResultT r) {
    phases.push_back(phase);
    return r;
  }
};

// Preferences loaded from an INI text and a command line (quiet, at normal priority, with the
// run's temporary files in dir/tmp), and trackers run over them in this process.
class InProcessC {
 public:
  static constexpr const char* c_DefaultIni = "[Tarvosk]\nServerLocation=/nonexistent-server\n";
  explicit InProcessC(const std::string& ini = c_DefaultIni) : load_(ini, "hxapp") {}

  hx::ResultT Load(std::vector<std::string> args = {}) {
    load_.dir.Mkdir("tmp");
    args.insert(args.begin(), {"-o", "TempDirectory=" + load_.dir.File("tmp")});
    return load_.Load(QuietArgs(std::move(args)));
  }
  // A new tracker over the loaded preferences (one reference for the caller).
  RefM<ProbeTrackerC> NewTracker() { return RefM<ProbeTrackerC>(new ProbeTrackerC); }
  // The whole run with a launcher context; the exit code it wrote must equal its result.
  hx::ResultT Run(ProbeTrackerC& tracker) {
    RefM<HxlContextC> context(new HxlContextC);
    int exitCode = 1;
    const hx::ResultT r = tracker.Run(context.get(), &exitCode);
    EXPECT_EQ(exitCode, r);
    return r;
  }
  hx::ResultT RunOnce() { return Run(*NewTracker()); }

  std::string Value(const char* name) { return load_.Value(name); }
  void Set(const char* name, const std::string& value) {
    const StringArrayC values{value};
    load_.Prefs().AddValue(StringC(name), &values, 1);
  }
  std::string Log() { return load_.Log(); }
  const hxtest::TempDirC& Dir() const { return load_.dir; }
  std::string InventoryDir() const { return load_.DataDir() + "/tracker/inventories"; }
  std::string UploadDir() const { return load_.DataDir() + "/uploads"; }
  std::string TempDir() const { return load_.dir.File("tmp"); }

 private:
  hxprefs::LoadC load_;
};

}  // namespace hxapp
