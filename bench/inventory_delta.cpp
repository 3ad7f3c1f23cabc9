// Writing, reading back and taking the delta of a file-scan inventory at three sizes: N "Content"
// entities (MD5 and Size) each with an "Instance" child (Path and DateTime), for N = 50,000,
// 100,000 and 200,000. The delta is that of a copy of the inventory in which 1% of the files
// changed against the written file, as a run does it: the base is read from disk inside the
// measured time. The closing table gives each step per entity, so a cost that grows faster
// than the inventory shows as a per-entity figure that climbs with N.
//
// Reading is set against `xmllint --stream --noout` on the same file in alternating pairs; the
// same is done last with this machine's own inventory.
//
// What an administrator's delta run costs is measured on whole runs, as the program is used:
// the tiny benchmark tree (200,000 files, bench/make_trees.py) scanned with the shipped
// configuration and no digests, a full run as the base, 1% of the files touched, then runs with
// and without a delta in alternating pairs, the base put back before each. Only the program's
// process is timed, as an administrator times it: the base is put back (a copy of the whole
// inventory) before the clock starts, and the program is built with this benchmark, so that it
// is never one left from an earlier build, and runs with its Linux module in the plug-in
// directory, as an installed program does.
//
// With no digests a file's item is its size, so nearly every item holds a touched file and the
// delta carries nearly the whole inventory: the delta run writes as much as the full run, and
// reads and compares the base besides. The base is read for its digests alone, on a thread of
// its own while the phases run: the clock sees that work only when no core is free for it, so
// the ratio on the clock lies between about 1.2 with a core to spare and the ratio of processor
// time (about 1.4) on a busy machine; figures taken under different loads differ by that much.
// What a profile shows the delta run spend beyond the full run is, largest first: reading the
// base (the parser about half of it, the digests a quarter), writing "Update" in item order
// (each item's entities lie spread over the whole scan's memory, and each step along the list
// waits for memory), both digests of each current entity (in one pass), releasing the moved
// entities in that order at the end, and the pages of the delta's own tables (on a virtual
// machine a first touch of a page costs about 10 microseconds). Rendering the moved entities
// ahead in the order they lie in memory, releasing them in that order, and asking for their
// memory ahead along the list were each measured on whole runs and gained nothing beyond the
// noise: the rendered text's new pages, the allocator's merging of the freed blocks, or the
// wait for the next link of the list cost about what the misses had cost.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "inventory/TrkInventory.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/XmlOutputStream.h"
#include "BenchSupport.h"

namespace {

using hxbench::c_TouchedFrom;
using hxbench::FilesInventory;

constexpr int64_t c_Sizes[] = {50000, 100000, 200000};

// How many of `files` files are changed in the way that starts at file `first`.
int64_t CountOf(int64_t files, int64_t first) {
  return files > first ? (files - first + hxbench::c_ChangedEvery - 1) / hxbench::c_ChangedEvery : 0;
}

hxbench::BenchDirC& Dir() {
  static hxbench::BenchDirC s_dir("hxdeltabench");
  return s_dir;
}

// The written inventory of each size, made once: the file to read and the base of the delta.
struct BaseT {
  RefM<TrkInventoryC> inventory;
  std::string file;
  int64_t bytes = 0;
};

BaseT& Base(int64_t files) {
  static std::map<int64_t, BaseT> s_bases;
  BaseT& b = s_bases[files];
  if (!b.inventory) {
    b.inventory = FilesInventory(files, false);
    b.file = Dir().File("base-" + std::to_string(files) + ".hxi");
    const FileNameC name(b.file);
    if (XmlSaveFile(&name, b.inventory.get()) != hx::RC_OK) std::abort();
    b.bytes = hxbench::FileSize(b.file);
    if (b.bytes < 0) std::abort();
  }
  return b;
}

void BM_Write(benchmark::State& state) {
  BaseT& b = Base(state.range(0));
  const FileNameC out(Dir().File("written-" + std::to_string(state.range(0)) + ".hxi"));
  for (auto _ : state) {
    if (XmlSaveFile(&out, b.inventory.get()) != hx::RC_OK) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * b.bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Read(benchmark::State& state) {
  BaseT& b = Base(state.range(0));
  for (auto _ : state) {
    RefM<TrkInventoryC> read;
    if (TrkInventoryDocTypeHandlerC::ReadFile(FileNameC(b.file), &read) != hx::RC_OK) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * b.bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Delta(benchmark::State& state) {
  BaseT& b = Base(state.range(0));
  const int64_t changed = CountOf(state.range(0), 0), touched = CountOf(state.range(0), c_TouchedFrom);
  for (auto _ : state) {
    // The delta takes the changed entities out of the current inventory: a new one each time.
    state.PauseTiming();
    RefM<TrkInventoryC> current = FilesInventory(state.range(0), true);
    state.ResumeTiming();
    TrkInventoryC* delta = nullptr;
    if (current->GenerateDiff(FileNameC(b.file), &delta) != hx::RC_OK) {
      state.SkipWithError("delta failed");
      break;
    }
    RefM<TrkInventoryC> held = RefM<TrkInventoryC>::Adopt(delta);
    TrkInventoryEntityC* remove = held->GetFirstChild();
    TrkInventoryEntityC* update = remove->GetNext();
    TrkInventoryEntityC* add = update->GetNext();
    if (static_cast<int64_t>(add->numChildren()) != changed || static_cast<int64_t>(remove->numChildren()) != changed ||
        static_cast<int64_t>(update->numChildren()) != touched)
      state.SkipWithError("unexpected delta");
    state.PauseTiming();
    held.reset();
    current.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : c_Sizes) b->Arg(n);
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_Write)->Apply(Sizes);
// The reader enters entities into the indexes on a second thread: processor time is the process's.
BENCHMARK(BM_Read)->Apply(Sizes)->MeasureProcessCPUTime();
BENCHMARK(BM_Delta)->Apply(Sizes)->Iterations(3)->MeasureProcessCPUTime();


}  // namespace

// Reading each base file beside `xmllint --stream --noout` on it, in alternating pairs.
void CompareWithXmllint() {
  if (!hxbench::RunChild({"/bin/sh", "-c", "command -v xmllint > /dev/null"}).ok) {
    std::printf("\nxmllint is missing (scripts/setup.sh --bench): no reference for reading\n");
    return;
  }
  std::printf("\n%9s | %9s %11s %7s | target <= 3.00\n", "entities", "read ms", "xmllint ms", "ratio");
  for (int64_t n : c_Sizes) {
    const BaseT& b = Base(n);
    const hxbench::ComparisonT c = hxbench::ComparePairs(
        [&] {
          RefM<TrkInventoryC> read;
          if (TrkInventoryDocTypeHandlerC::ReadFile(FileNameC(b.file), &read) != hx::RC_OK) std::abort();
        },
        "xmllint --stream --noout " + b.file);
    std::printf("%9lld | %9.1f %11.1f %7.3f\n", static_cast<long long>(n), c.ours * 1e3, c.theirs * 1e3, c.ratio);
  }
}

// Whole runs with and without a delta on the tiny tree after 1% of its files were touched (every
// 100th file gets a new modification time, as the file-scan benchmark does it). Gives the lines
// to print at the end.
std::string DeltaRuns() {
  const std::string trees = "/tmp/hxbench-trees", tree = trees + "/tiny";
  hxbench::Shell("python3 " HX_SOURCE_DIR "/bench/make_trees.py " + trees + " tiny > /dev/null");
  hxbench::BenchDirC dir("hxdeltaruns");
  hxbench::Shell("install -m 600 " HX_SOURCE_DIR "/etc/tarvosk.ini " + dir.File("tarvosk.ini"));
  const hxbench::ComparisonT runs = hxbench::DeltaBesideFull(
      dir, "-o IncludeDirectory=" + tree + " -o 'IncludeFile=*'", "find " + tree + " -type f -name 'f*00.bin' -exec touch {} +");
  char out[512];
  std::snprintf(out, sizeof out,
                "\ntiny tree (200,000 files), 1%% touched, no digests, shipped configuration:\n"
                "whole run with a delta %.3f s, without %.3f s, ratio delta/full %.3f (target <= 1.30)\n"
                "processor time with a delta %.3f s, without %.3f s, ratio delta/full %.3f\n",
                runs.theirs, runs.ours, runs.ratio > 0 ? 1.0 / runs.ratio : 0.0, runs.theirsCpu, runs.oursCpu,
                runs.cpuRatio > 0 ? 1.0 / runs.cpuRatio : 0.0);
  return out;
}

// This machine's own inventory: a run with the shipped configuration that also scans /usr with
// digests, then reading the inventory beside xmllint.
// Runs first, while this process is small: a child's peak memory counts the memory of the
// process that started it until it runs the program. Gives the lines to print at the end.
std::string OwnInventory() {
  hxbench::BenchDirC dir("hxownbench");
  hxbench::Shell("install -m 600 " HX_SOURCE_DIR "/etc/tarvosk.ini " + dir.File("tarvosk.ini"));
  // Two full runs: the first fills the digest cache, the second gives the peak memory of a run
  // from the cache beside the inventory it writes.
  hxbench::ChildResultT full;
  for (int i = 0; i < 2; ++i) {
    full = hxbench::RunChild(
        {HX_BINARY_DIR "/bin/hxtrack", "-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False", "-o", "Upload=False",
         "-o", "DigestCache=True", "-o", "MinInventoryInterval=0", "-o", "IncludeDirectory=/usr", "-o", "IncludeFile=*",
         "-o", "GenerateMD5=True", "-o", "Difference=False"},
        {"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"), "TARVOSKDATADIR=" + dir.File("data"),
         std::string("TARVOSKINSTALLDIR=") + HX_BINARY_DIR});
    if (!full.ok) std::abort();
  }
  hxbench::Shell("cat " + dir.File("data") + "/tracker/inventories/*.hxi > " + dir.File("own.hxi"));
  const FileNameC own(dir.File("own.hxi"));
  const double bytes = static_cast<double>(hxbench::FileSize(own.str()));
  size_t entities = 0;
  const hxbench::ComparisonT read = hxbench::ComparePairs(
      [&] {
        RefM<TrkInventoryC> again;
        if (TrkInventoryDocTypeHandlerC::ReadFile(own, &again) != hx::RC_OK) std::abort();
        entities = again->GetFlatIndex().size();
      },
      "xmllint --stream --noout " + own.str());
  char out[1024];
  std::snprintf(out, sizeof out,
                "\nthis machine's inventory (shipped configuration, files of /usr with digests): %zu top-level "
                "entities, %.1f MB\n"
                "reading it %.1f ms, xmllint --stream --noout %.1f ms, ratio %.3f (target <= 3.00)\n"
                "peak memory of a full run %.1f MB, %.2fx the inventory (target <= 4.00)\n",
                entities, bytes / (1024.0 * 1024.0), read.ours * 1e3, read.theirs * 1e3, read.ratio,
                full.maxRssKb / 1024.0, full.maxRssKb * 1024.0 / bytes);
  return out;
}

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // "runs": the whole runs alone.
  if (argc > 1 && std::string(argv[1]) == "runs") {
    std::fputs(DeltaRuns().c_str(), stdout);
    return 0;
  }
  const std::string own = OwnInventory();
  const std::string runs = DeltaRuns();
  hxbench::RecordingReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  CompareWithXmllint();
  // Wall-clock times and rates; the cost per entity is processor time, which other work on a
  // shared machine disturbs far less.
  std::printf("\n%9s %7s | %8s %7s %8s | %8s %8s | %8s %8s\n", "entities", "MB", "write ms", "MB/s", "cpu ns/e",
              "read ms", "cpu ns/e", "delta ms", "cpu ns/e");
  for (int64_t n : c_Sizes) {
    const std::string arg = "/" + std::to_string(n);
    const auto write = reporter.Times("BM_Write" + arg);
    const auto read = reporter.Times("BM_Read" + arg + "/process_time");
    const auto delta = reporter.Times("BM_Delta" + arg + "/iterations:3/process_time");
    if (write.real <= 0 || read.real <= 0 || delta.real <= 0) continue;
    const double mb = static_cast<double>(Base(n).bytes) / (1024.0 * 1024.0);
    const double perEntity = 1e9 / static_cast<double>(n);
    std::printf("%9lld %7.1f | %8.1f %7.1f %8.0f | %8.1f %8.0f | %8.1f %8.0f\n", static_cast<long long>(n), mb,
                write.real * 1e3, mb / write.real, write.cpu * perEntity, read.real * 1e3, read.cpu * perEntity,
                delta.real * 1e3, delta.cpu * perEntity);
  }
  std::fputs(own.c_str(), stdout);
  std::fputs(runs.c_str(), stdout);
  benchmark::Shutdown();
  return 0;
}
