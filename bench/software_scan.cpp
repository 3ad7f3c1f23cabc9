// The contents phase of a run (walk, rules, digests, file entities; no package database
// update, no hardware, no writing or staging) against the system tools on the same trees in the
// same run, and whole runs of bin/hxtrack on them.
//
//   bench/make_trees.py [DIR]                 makes DIR/mixed and DIR/tiny (once)
//   build/bin/bench_software_scan [DIR]       (default /tmp/hxbench-trees)
//
// Everything runs on one core (the program pins itself to CPU 0 before anything else, and the
// tools it starts inherit that), with a warm cache (one untimed pass of each measurement
// first); each figure is the median of five runs. The references:
//   - digests of the mixed tree: find TREE -type f -print0 | xargs -0 md5sum
//   - the tiny tree without digests: find TREE -type f -printf '%s %T@\n', which reads the
//     status of every file as the scan does;
//   - the tiny tree with digests: find | xargs md5sum again.

#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"
#include "prefs/tracker/TrkUnixPreferences.h"
#include "software/TrkUnixTrackSoftware.h"

namespace {

constexpr int c_Runs = 5;
constexpr const char* c_DefaultTrees = "/tmp/hxbench-trees";
constexpr const char* c_Program = HX_BINARY_DIR "/bin/hxtrack";
constexpr const char* c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";

// The phase as a run does it, but for the package database, which a run rebuilds first.
class PhaseC : public TrkUnixTrackSoftwareC {
 public:
  using TrkUnixTrackSoftwareC::TrkUnixTrackSoftwareC;

 protected:
  void PrepareWalk() override { PopulateValidDevices(); }
};

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One untimed run, then the median of c_Runs timed ones.
double Median(const std::function<void()>& work) {
  work();
  std::vector<double> times;
  for (int i = 0; i < c_Runs; ++i) times.push_back(Seconds(work));
  std::sort(times.begin(), times.end());
  return times[c_Runs / 2];
}

struct ChildResultT {
  bool ok = false;
  long maxRssKb = 0;
};

// A child started without copying this process (posix_spawn): a fork would leave the large
// heap of the phase shared copy-on-write, and the next phase would pay for the copies.
ChildResultT RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
  ChildResultT result;
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) return result;
  int status = 0;
  struct rusage usage = {};
  result.ok = wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  result.maxRssKb = usage.ru_maxrss;
  return result;
}

void Shell(const std::string& command) {
  if (!RunChild({"/bin/sh", "-c", command}).ok) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// The preferences of a scan of `tree` tracking every file.
void Configure(TrkUnixPreferencesC& prefs, const std::string& tree, bool md5) {
  auto set = [&prefs](const char* name, const std::string& value) {
    const StringArrayC values{value};
    prefs.AddValue(StringC(name), &values, 1);
  };
  set("IncludeDirectory", tree);
  set("IncludeFile", "*");
  set("GenerateMD5", md5 ? "True" : "False");
}

// The phase on a new inventory, which the caller releases (a run writes it afterwards; its
// release is not part of the phase).
RefM<TrkInventoryC> RunPhase(TrkUnixPreferencesC& prefs) {
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  PhaseC phase(prefs, TrkSoftwareHostT{});
  if (hx::Failed(phase.Track(inventory.get(), nullptr, nullptr))) std::exit(1);
  return inventory;
}

struct ComparisonT {
  double ours = 0, theirs = 0, ratio = 0;  // medians of the runs, median of the pairs' ratios
  size_t files = 0;
};

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The phase and a reference command, each warmed once, then run in c_Runs alternating pairs:
// on a shared machine the load changes from second to second, and a pair sees the same load.
ComparisonT Compare(TrkUnixPreferencesC& prefs, const std::string& reference) {
  RefM<TrkInventoryC> kept;
  std::vector<double> ours, theirs, ratios;
  for (int i = 0; i <= c_Runs; ++i) {
    kept.reset();
    const double a = Seconds([&] { kept = RunPhase(prefs); });
    const double b = Seconds([&] { Shell(reference); });
    if (i == 0) continue;  // the first pair warms the cache
    ours.push_back(a);
    theirs.push_back(b);
    ratios.push_back(a / b);
  }
  ComparisonT c;
  c.files = kept->numChildren();
  c.ours = MedianOf(ours);
  c.theirs = MedianOf(theirs);
  c.ratio = MedianOf(ratios);
  return c;
}

struct WholeRunT {
  double seconds = 0;
  long maxRssKb = 0;
  int64_t inventoryBytes = 0;
};

WholeRunT WholeRun(const hxbench::BenchDirC& dir, const std::string& tree, bool md5) {
  const std::string data = dir.File("data");
  const std::vector<std::string> env{"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"), "TARVOSKDATADIR=" + data,
                                     std::string("TARVOSKINSTALLDIR=") + HX_BINARY_DIR};
  const std::vector<std::string> argv{c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False", "-o",
                                      "Hardware=False", "-o", "Upload=False", "-o", "IncludeDirectory=" + tree, "-o",
                                      "IncludeFile=*", "-o", std::string("GenerateMD5=") + (md5 ? "True" : "False")};
  WholeRunT run;
  run.seconds = Median([&] {
    const ChildResultT r = RunChild(argv, env);
    if (!r.ok) std::exit(1);
    run.maxRssKb = std::max(run.maxRssKb, r.maxRssKb);
  });
  Shell("cat " + data + "/tracker/inventories/*.hxi > " + dir.File("inventory.hxi"));
  run.inventoryBytes = hxbench::FileSize(dir.File("inventory.hxi"));
  return run;
}

void Report(const char* what, const ComparisonT& c, const char* reference, double target) {
  std::printf("%-30s phase %6.3f s   %-25s %6.3f s   ratio %.3f (target <= %.2f)\n", what, c.ours, reference,
              c.theirs, c.ratio, target);
}

}  // namespace

int main(int argc, char** argv) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  if (sched_setaffinity(0, sizeof one, &one) != 0) std::perror("sched_setaffinity");
  const std::string trees = argc > 1 ? argv[1] : c_DefaultTrees;
  const std::string mixed = trees + "/mixed", tiny = trees + "/tiny";
  struct stat st;
  if (stat((mixed + "/.complete").c_str(), &st) != 0 || stat((tiny + "/.complete").c_str(), &st) != 0) {
    std::fprintf(stderr, "no trees in %s: run bench/make_trees.py %s first\n", trees.c_str(), trees.c_str());
    return 1;
  }
  hxbench::BenchDirC dir("hxscanbench");
  Shell("install -m 600 " + std::string(c_ShippedIni) + " " + dir.File("tarvosk.ini"));

  TrkUnixPreferencesC prefs;
  HX_IGNORE_RESULT(prefs.PreLoadDefaultPreferences());
  const std::string md5sum = "find TREE -type f -print0 | xargs -0 md5sum > /dev/null";
  const std::string status = "find TREE -type f -printf '%s %T@\\n' > /dev/null";
  auto command = [](const std::string& format, const std::string& tree) {
    std::string c = format;
    return c.replace(c.find("TREE"), 4, tree);
  };
  // "phase TREE md5|none": the phase against its reference alone, for a profiler.
  if (argc > 4 && std::string(argv[2]) == "phase") {
    const bool md5 = std::string(argv[4]) == "md5";
    Configure(prefs, trees + "/" + argv[3], md5);
    const ComparisonT c = Compare(prefs, command(md5 ? md5sum : status, trees + "/" + argv[3]));
    Report(argv[3], c, md5 ? "find | xargs md5sum" : "find -printf size, mtime", 0);
    return 0;
  }
  // The whole runs come first, while this process is small: a child's peak memory counts the
  // memory of the process that started it until it runs the program.
  const WholeRunT whole[] = {WholeRun(dir, mixed, true), WholeRun(dir, tiny, false), WholeRun(dir, tiny, true)};
  Configure(prefs, mixed, true);
  const ComparisonT mixedMd5 = Compare(prefs, command(md5sum, mixed));
  Configure(prefs, tiny, false);
  const ComparisonT tinyStatus = Compare(prefs, command(status, tiny));
  Configure(prefs, tiny, true);
  const ComparisonT tinyMd5 = Compare(prefs, command(md5sum, tiny));
  std::printf("mixed tree: %zu files tracked; tiny tree: %zu files tracked\n\n", mixedMd5.files, tinyMd5.files);
  Report("mixed tree (1.5 GB), digests", mixedMd5, "find | xargs md5sum", 1.05);
  Report("tiny tree, no digests", tinyStatus, "find -printf size, mtime", 1.5);
  Report("tiny tree, digests", tinyMd5, "find | xargs md5sum", 1.0);
  std::printf("\nwhole runs of bin/hxtrack (no hardware, no upload), beside the phase:\n");
  const struct {
    const char* what;
    std::string tree;
    bool md5;
    double phase;
  } runs[] = {{"mixed tree, digests", mixed, true, mixedMd5.ours},
              {"tiny tree, no digests", tiny, false, tinyStatus.ours},
              {"tiny tree, digests", tiny, true, tinyMd5.ours}};
  for (size_t i = 0; i < 3; ++i) {
    const auto& r = runs[i];
    const WholeRunT& w = whole[i];
    std::printf("%-24s run %7.3f s (phase %7.3f s)   max RSS %6.1f MB   inventory %6.1f MB\n", r.what, w.seconds,
                r.phase, w.maxRssKb / 1024.0, w.inventoryBytes / (1024.0 * 1024.0));
  }
  return 0;
}
