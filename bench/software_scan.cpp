// The contents phase of a run (walk, rules, digests, file entities; no package database
// update, no hardware, no writing or staging) and whole runs of bin/hxtrack, against a tool that
// hashes a tree on every core, on the same trees in the same run.
//
//   bench/make_trees.py [DIR]                 makes DIR/mixed and DIR/tiny (once)
//   scripts/setup.sh --bench                  installs the reference tools
//   build/bin/bench_software_scan [DIR]       (default /tmp/hxbench-trees)
//
// Both sides use every core of the machine, with a warm cache (one untimed pair first); each
// comparison runs five alternating pairs and gives the medians and the median of the pairs'
// ratios. The references:
//   - digests: md5deep -r TREE (it hashes on all cores);
//   - the tiny tree without digests: find TREE -type f -printf '%s %T@\n', which reads the
//     status of every file as the scan does.
// The whole runs skip the package database (-o PackageDatabaseTypes=), so what they show is
// the scan; with the digest cache a re-scan of an unchanged tree reads no file, and after 1% of
// the files are touched it reads those (the count comes from the run's log).

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
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"
#include "prefs/tracker/TrkUnixPreferences.h"
#include "software/TrkUnixTrackSoftware.h"

namespace {

using namespace hxbench;

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

// The preferences of a scan of `tree` tracking every file.
void Configure(TrkUnixPreferencesC& prefs, const std::string& tree, bool md5) {
  auto set = [&prefs](const char* name, const std::string& value) {
    const StringArrayC values{value};
    prefs.AddValue(StringC(name), &values, 1);
  };
  set("IncludeDirectory", tree);
  set("IncludeFile", "*");
  set("GenerateMD5", md5 ? "True" : "False");
  set("DigestCache", "False");
}

// The phase on a new inventory, which the caller releases (a run writes it afterwards; its
// release is not part of the phase).
RefM<TrkInventoryC> RunPhase(TrkUnixPreferencesC& prefs) {
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  PhaseC phase(prefs, TrkSoftwareHostT{});
  phase.WriteInto(inventory.get());
  if (hx::Failed(phase.Track(inventory.get(), nullptr, nullptr))) std::exit(1);
  return inventory;
}

ComparisonT Compare(TrkUnixPreferencesC& prefs, const std::string& reference) {
  RefM<TrkInventoryC> kept;
  ComparisonT c = ComparePairs(
      [&] {
        kept.reset();
        kept = RunPhase(prefs);
      },
      reference);
  c.files = kept->numChildren();
  return c;
}

struct WholeRunT {
  double seconds = 0;
  double reference = 0, ratio = 0;
  long maxRssKb = 0;
  int64_t inventoryBytes = 0;
};

// A whole run: once, alone (median of five) or in pairs with `reference`.
constexpr const char* c_Once = "once";
WholeRunT WholeRun(const hxbench::BenchDirC& dir, const std::string& tree, bool md5, bool cached,
                   const std::string& reference = "") {
  const std::string data = dir.File("data");
  const std::vector<std::string> env{"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"), "TARVOSKDATADIR=" + data,
                                     std::string("TARVOSKINSTALLDIR=") + HX_BINARY_DIR};
  const std::vector<std::string> argv{c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False", "-o",
                                      "Hardware=False", "-o", "Upload=False", "-o", "IncludeDirectory=" + tree, "-o",
                                      "IncludeFile=*", "-o", std::string("GenerateMD5=") + (md5 ? "True" : "False"),
                                      "-o", "PackageDatabaseTypes=", "-o",
                                      std::string("DigestCache=") + (cached ? "True" : "False")};
  WholeRunT run;
  const auto once = [&] {
    const ChildResultT r = RunChild(argv, env);
    if (!r.ok) std::exit(1);
    run.maxRssKb = std::max(run.maxRssKb, r.maxRssKb);
  };
  if (reference == c_Once) {
    run.seconds = Seconds(once);
  } else if (reference.empty()) {
    run.seconds = Median(once);
  } else {
    const ComparisonT c = ComparePairs(once, reference);
    run.seconds = c.ours;
    run.reference = c.theirs;
    run.ratio = c.ratio;
  }
  Shell("cat " + data + "/tracker/inventories/*.hxi > " + dir.File("inventory.hxi"));
  run.inventoryBytes = hxbench::FileSize(dir.File("inventory.hxi"));
  return run;
}

// The last digest count line of the whole runs' log.
std::string LastDigestCount(const hxbench::BenchDirC& dir) {
  Shell("grep -h 'File digests:' " + dir.File("data") + "/log/*.log | tail -1 | sed 's/.*File digests: //' > " +
        dir.File("count.txt"));
  std::string line;
  if (FILE* f = std::fopen(dir.File("count.txt").c_str(), "r")) {
    char buffer[256] = {};
    if (std::fgets(buffer, sizeof buffer, f) != nullptr) line = buffer;
    std::fclose(f);
  }
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

void Report(const char* what, const ComparisonT& c, const char* reference, double target) {
  std::printf("%-30s phase %6.3f s   %-25s %6.3f s   ratio %.3f (target <= %.2f)\n", what, c.ours, reference,
              c.theirs, c.ratio, target);
}

}  // namespace

// Touches every c_TouchEvery-th file of the tree (a new modification time, the same content).
constexpr int c_TouchEvery = 100;

int main(int argc, char** argv) {
  const std::string trees = argc > 1 ? argv[1] : c_DefaultTrees;
  const std::string mixed = trees + "/mixed", tiny = trees + "/tiny";
  struct stat st;
  if (stat((mixed + "/.complete").c_str(), &st) != 0 || stat((tiny + "/.complete").c_str(), &st) != 0) {
    std::fprintf(stderr, "no trees in %s: run bench/make_trees.py %s first\n", trees.c_str(), trees.c_str());
    return 1;
  }
  if (!RunChild({"/bin/sh", "-c", "command -v md5deep > /dev/null"}).ok) {
    std::fprintf(stderr, "md5deep is missing: run scripts/setup.sh --bench first\n");
    return 1;
  }
  hxbench::BenchDirC dir("hxscanbench");
  Shell("install -m 600 " + std::string(c_ShippedIni) + " " + dir.File("tarvosk.ini"));

  TrkUnixPreferencesC prefs;
  HX_IGNORE_RESULT(prefs.PreLoadDefaultPreferences());
  const std::string md5deep = "md5deep -r TREE > /dev/null";
  const std::string status = "find TREE -type f -printf '%s %T@\\n' > /dev/null";
  auto command = [](const std::string& format, const std::string& tree) {
    std::string c = format;
    return c.replace(c.find("TREE"), 4, tree);
  };
  // "phase TREE md5|none": the phase against its reference alone, for a profiler.
  if (argc > 4 && std::string(argv[2]) == "phase") {
    const bool md5 = std::string(argv[4]) == "md5";
    Configure(prefs, trees + "/" + argv[3], md5);
    const ComparisonT c = Compare(prefs, command(md5 ? md5deep : status, trees + "/" + argv[3]));
    Report(argv[3], c, md5 ? "md5deep -r" : "find -printf size, mtime", 0);
    return 0;
  }
  // The whole runs come first, while this process is small: a child's peak memory counts the
  // memory of the process that started it until it runs the program.
  const WholeRunT whole[] = {WholeRun(dir, mixed, true, false), WholeRun(dir, tiny, false, false),
                             WholeRun(dir, tiny, true, false)};
  // With the digest cache: the first (untimed) run of each comparison writes it.
  // The cache holds the files of the last scan only: the touched files' re-scan comes right
  // after the runs on the same tree.
  const WholeRunT cachedMixed = WholeRun(dir, mixed, true, true, command(md5deep, mixed));
  Shell("find " + mixed + " -type f -name 'f*00.bin' -exec touch {} +");  // every 100th file
  const WholeRunT touched = WholeRun(dir, mixed, true, true, c_Once);
  const std::string afterTouch = LastDigestCount(dir);
  const WholeRunT cachedTiny = WholeRun(dir, tiny, true, true, command(md5deep, tiny));
  // A delta against the inventory from before every 100th file was touched.
  const hxbench::ComparisonT delta = hxbench::DeltaBesideFull(
      dir, "-o Hardware=False -o IncludeDirectory=" + tiny + " -o 'IncludeFile=*' -o GenerateMD5=True -o PackageDatabaseTypes=",
      "find " + tiny + " -type f -name 'f*00.bin' -exec touch {} +");

  Configure(prefs, mixed, true);
  const ComparisonT mixedMd5 = Compare(prefs, command(md5deep, mixed));
  Configure(prefs, tiny, false);
  const ComparisonT tinyStatus = Compare(prefs, command(status, tiny));
  Configure(prefs, tiny, true);
  const ComparisonT tinyMd5 = Compare(prefs, command(md5deep, tiny));
  std::printf("mixed tree: %zu files tracked; tiny tree: %zu files tracked; %u cores\n\n", mixedMd5.files,
              tinyMd5.files, std::thread::hardware_concurrency());
  std::printf("the phase, digest cache off:\n");
  Report("mixed tree (1.5 GB), digests", mixedMd5, "md5deep -r", 0.9);
  Report("tiny tree, no digests", tinyStatus, "find -printf size, mtime", 1.5);
  Report("tiny tree, digests", tinyMd5, "md5deep -r", 1.0);
  std::printf("\nwhole runs with the digest cache, unchanged tree (ratio target <= 0.10):\n");
  const struct {
    const char* what;
    const WholeRunT& run;
  } cachedRuns[] = {{"mixed tree", cachedMixed}, {"tiny tree", cachedTiny}};
  for (const auto& c : cachedRuns)
    std::printf("%-24s run %7.3f s   md5deep -r %7.3f s   ratio %.3f   max RSS %6.1f MB   inventory %6.1f MB (%.2fx)\n",
                c.what, c.run.seconds, c.run.reference, c.run.ratio, c.run.maxRssKb / 1024.0,
                c.run.inventoryBytes / (1024.0 * 1024.0),
                c.run.maxRssKb * 1024.0 / static_cast<double>(std::max<int64_t>(1, c.run.inventoryBytes)));
  std::printf("mixed tree after touching every %dth file: run %.3f s, %s\n", c_TouchEvery, touched.seconds,
              afterTouch.c_str());
  std::printf("tiny tree, 1%% of the files touched: run with a delta %.3f s, without %.3f s, ratio %.3f (target <= 1.30)\n",
              delta.theirs, delta.ours, delta.ratio > 0 ? 1.0 / delta.ratio : 0.0);
  std::printf("\nwhole runs of bin/hxtrack (no hardware, no upload, no package database, digest cache off):\n");
  const struct {
    const char* what;
    double phase;
  } runs[] = {{"mixed tree, digests", mixedMd5.ours},
              {"tiny tree, no digests", tinyStatus.ours},
              {"tiny tree, digests", tinyMd5.ours}};
  for (size_t i = 0; i < 3; ++i) {
    const WholeRunT& w = whole[i];
    std::printf("%-24s run %7.3f s (phase %7.3f s)   max RSS %6.1f MB   inventory %6.1f MB (%.2fx)\n", runs[i].what,
                w.seconds, runs[i].phase, w.maxRssKb / 1024.0, w.inventoryBytes / (1024.0 * 1024.0),
                w.maxRssKb * 1024.0 / static_cast<double>(std::max<int64_t>(1, w.inventoryBytes)));
  }
  return 0;
}
