// Writing, reading back and taking the delta of a file-scan inventory at three sizes: N "Content"
// entities (MD5 and Size) each with an "Instance" child (Path and DateTime), for N = 50,000,
// 100,000 and 200,000. The delta is that of a copy of the inventory in which 1% of the files
// changed against the written file, as a run does it: the base is read from disk inside the
// measured time. The closing table gives each step per entity, so a cost that grows faster
// than the inventory shows as a per-entity figure that climbs with N.
//
// The delta executes the same number of instructions per entity at every size (counted under
// a call-graph profiler: 54,000 per entity at 50,000 and at 100,000 entities); what time per
// entity it gains at 200,000 is the memory of two large trees and their indexes outgrowing
// the caches. Its cost is spread over the four digests per file (two for each document),
// XML parsing and allocation.

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

namespace {

constexpr int64_t c_Sizes[] = {50000, 100000, 200000};
// 1% of the files change: every 200th file gets another digest and size (a new item, and its
// old form is removed), every 200th file from the 100th on another time stamp on its instance
// (the same item, updated).
constexpr int64_t c_ChangedEvery = 200;
constexpr int64_t c_TouchedFrom = 100;

// How many of `files` files are changed in the way that starts at file `first`.
int64_t CountOf(int64_t files, int64_t first) {
  return files > first ? (files - first + c_ChangedEvery - 1) / c_ChangedEvery : 0;
}

// The digest text of file i in its first or its changed form.
std::string Md5Text(int64_t i, bool changed) {
  char text[33];
  const unsigned long long a = static_cast<unsigned long long>(i) * 0x9E3779B97F4A7C15ull + (changed ? 1 : 0);
  std::snprintf(text, sizeof text, "%016llx%016llx", a, ~a * 0xC2B2AE3D27D4EB4Full);
  return text;
}

RefM<TrkInventoryC> BuildInventory(int64_t files, bool changed) {
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  TrkInventoryHeaderT h;
  h.version = "9.2.0.1";
  h.inventoryType = "Machine";
  h.fullQualifiedDomainName = "bench.example.org";
  h.machineId = "bench";
  h.userId = "root";
  h.expectSoftware = true;
  h.dateTime = "2026-03-01 10:00:00";
  inventory->AddRootAttributes(h);
  inventory->SetDeltaHeader(h);
  for (int64_t i = 0; i < files; ++i) {
    const bool isChanged = changed && i % c_ChangedEvery == 0;
    const bool isTouched = changed && i % c_ChangedEvery == c_TouchedFrom;
    RefM<TrkInventoryEntityC> content = TrkInventoryEntityC::New("Content");
    content->Add("MD5", Md5Text(i, isChanged));
    content->Add("Size", std::to_string(4096 + i * 37 + (isChanged ? 1 : 0)));
    RefM<TrkInventoryEntityC> instance = TrkInventoryEntityC::New("Instance");
    instance->Add("Path", "/opt/app" + std::to_string(i / 1000) + "/lib/module" + std::to_string(i) + ".so");
    instance->Add("DateTime", "2025-11-" + std::to_string(10 + i % 19) + (isTouched ? " 09:00:00" : " 08:15:00"));
    content->AddEntity(instance.get());
    inventory->AddEntity(content.get());
  }
  return inventory;
}

class BenchDirC {
 public:
  BenchDirC() {
    char tmpl[] = "/tmp/hxdeltabenchXXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    dir_ = tmpl;
  }
  ~BenchDirC() {
    for (const std::string& f : files_) std::remove(f.c_str());
    rmdir(dir_.c_str());
  }
  std::string File(const std::string& name) {
    files_.push_back(dir_ + "/" + name);
    return files_.back();
  }

 private:
  std::string dir_;
  std::vector<std::string> files_;
};

BenchDirC& Dir() {
  static BenchDirC s_dir;
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
    b.inventory = BuildInventory(files, false);
    b.file = Dir().File("base-" + std::to_string(files) + ".hxi");
    const FileNameC name(b.file);
    if (XmlSaveFile(&name, b.inventory.get()) != hx::RC_OK) std::abort();
    struct stat st;
    if (stat(b.file.c_str(), &st) != 0) std::abort();
    b.bytes = st.st_size;
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
    RefM<TrkInventoryC> current = BuildInventory(state.range(0), true);
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
BENCHMARK(BM_Read)->Apply(Sizes);
BENCHMARK(BM_Delta)->Apply(Sizes)->Iterations(3);

// Keeps the wall-clock and processor time per iteration of every run for the closing table.
class RecordingReporterC : public benchmark::ConsoleReporter {
 public:
  struct TimesT {
    double real = 0, cpu = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        const double n = static_cast<double>(r.iterations);
        times_[r.benchmark_name()] = TimesT{r.real_accumulated_time / n, r.cpu_accumulated_time / n};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  TimesT Times(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? TimesT{} : it->second;
  }

 private:
  std::map<std::string, TimesT> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RecordingReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Wall-clock times and rates; the cost per entity is processor time, which other work on a
  // shared machine disturbs far less.
  std::printf("\n%9s %7s | %8s %7s %8s | %8s %8s | %8s %8s\n", "entities", "MB", "write ms", "MB/s", "cpu ns/e",
              "read ms", "cpu ns/e", "delta ms", "cpu ns/e");
  for (int64_t n : c_Sizes) {
    const std::string arg = "/" + std::to_string(n);
    const auto write = reporter.Times("BM_Write" + arg);
    const auto read = reporter.Times("BM_Read" + arg);
    const auto delta = reporter.Times("BM_Delta" + arg + "/iterations:3");
    if (write.real <= 0 || read.real <= 0 || delta.real <= 0) continue;
    const double mb = static_cast<double>(Base(n).bytes) / (1024.0 * 1024.0);
    const double perEntity = 1e9 / static_cast<double>(n);
    std::printf("%9lld %7.1f | %8.1f %7.1f %8.0f | %8.1f %8.0f | %8.1f %8.0f\n", static_cast<long long>(n), mb,
                write.real * 1e3, mb / write.real, write.cpu * perEntity, read.real * 1e3, read.cpu * perEntity,
                delta.real * 1e3, delta.cpu * perEntity);
  }
  benchmark::Shutdown();
  return 0;
}
