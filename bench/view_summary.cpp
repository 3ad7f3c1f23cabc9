// hxview on a large inventory: 200,000 top-level entities (150,000 tracked files, 40,000
// packages, 10,000 hardware instances with four properties each), as the program is run on it,
// its summary written to /dev/null. The reference in the same run is xmllint --stream --noout
// on the very same file: a streaming parse with nothing kept, the floor that reading the
// document costs; beside it, a bare expat parse of the file in this process, the floor of
// any reader built on expat. The closing lines give the medians of the time on the clock and of the
// processor time, and their ratios. Last, the HTML page of a 140,000-file inventory against that
// of a 1,400-file one: each page's size against its inventory's, and the median of their loads in
// headless Chromium, as the page test opens them (the page's script done), and their ratio.

#include <benchmark/benchmark.h>
#include <expat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "BenchSupport.h"

namespace {

constexpr int64_t c_Files = 150000;
constexpr int c_Packages = 40000;
constexpr int c_Hardware = 10000;
constexpr int c_Repetitions = 5;
constexpr const char* c_Viewer = HX_BINARY_DIR "/bin/hxview";
constexpr const char* c_Xmllint = "xmllint";
constexpr int64_t c_PageFiles = 140000;
constexpr int64_t c_SmallPageFiles = 1400;
constexpr const char* c_PageLoads = "5";
constexpr const char* c_Chromium = "/usr/bin/chromium";
constexpr const char* c_Check = HX_SOURCE_DIR "/tests/view/browser_check.py";

// Runs a program with its output to /dev/null; true when it exits with 0. *cpu (when given)
// receives the processor time it took, user and system: on a shared host it says more than the
// time on the clock.
bool RunTool(const std::vector<const char*>& argv, double* cpu = nullptr) {
  const hxbench::ChildResultT r = hxbench::RunChild(std::vector<std::string>(argv.begin(), argv.end()), {}, true);
  if (cpu != nullptr) *cpu = r.cpuSeconds;
  return r.ok;
}

// The median processor time of c_Repetitions runs of a program.
double MedianCpu(const std::vector<const char*>& argv) {
  std::vector<double> times;
  for (int i = 0; i < c_Repetitions; ++i) {
    double cpu = 0;
    if (!RunTool(argv, &cpu)) return 0;
    times.push_back(cpu);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The inventory file, written once by the inventory writer.
const std::string& Inventory() {
  static hxbench::BenchDirC dir("hxviewbench");
  static const std::string path = [] {
    RefM<TrkInventoryC> inventory = hxbench::FilesInventory(c_Files, false);
    // Fixed names and values present: nothing below can be refused.
    for (int i = 0; i < c_Packages; ++i) {
      auto package = TrkTrackC::AddPackage(inventory.get(), "SUNWpkg" + std::to_string(i), i % 3 ? "SUNPKG" : "IPS");
      HX_IGNORE_RESULT(package->AddProperty("Architecture", "i386", "", false));
    }
    for (int i = 0; i < c_Hardware; ++i) {
      auto hw = TrkTrackC::AddClass(inventory.get(), "Disk", "sd" + std::to_string(i), "devinfo");
      HX_IGNORE_RESULT(hw->AddProperty("Size", std::to_string(1000000000LL + i), "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Vendor", "Vendor & Sons <storage>", "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Serial", "SN-" + std::to_string(i * 7919), "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Path", "/devices/pci@0,0/disk@" + std::to_string(i) + ",0", "", false));
    }
    const std::string file = dir.File("large.hxi");
    const FileNameC name(file);
    if (XmlSaveFile(&name, inventory.get()) != hx::RC_OK) std::abort();
    return file;
  }();
  return path;
}

void BM_Hxview(benchmark::State& state) {
  const std::string& file = Inventory();
  for (auto _ : state) {
    if (!RunTool({c_Viewer, file.c_str()})) state.SkipWithError("hxview failed");
  }
}
BENCHMARK(BM_Hxview)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(c_Repetitions);

// The floor of any expat reader: the same file through a bare expat parser with no handlers,
// in this process.
void BM_BareExpat(benchmark::State& state) {
  const std::string& file = Inventory();
  constexpr int c_Piece = 256 * 1024;
  for (auto _ : state) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    XML_Parser parser = XML_ParserCreate("UTF-8");
    bool ok = in != nullptr && parser != nullptr;
    for (size_t n = 1; ok && n > 0;) {
      void* buffer = XML_GetBuffer(parser, c_Piece);
      n = std::fread(buffer, 1, c_Piece, in);
      ok = XML_ParseBuffer(parser, static_cast<int>(n), n == 0) == XML_STATUS_OK;
    }
    if (!ok) state.SkipWithError("expat failed");
    if (parser != nullptr) XML_ParserFree(parser);
    if (in != nullptr) std::fclose(in);
  }
}
BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(c_Repetitions);

void BM_XmllintStream(benchmark::State& state) {
  const std::string& file = Inventory();
  for (auto _ : state) {
    if (!RunTool({c_Xmllint, "--stream", "--noout", file.c_str()})) state.SkipWithError("xmllint failed");
  }
}
BENCHMARK(BM_XmllintStream)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(c_Repetitions);

struct PageT {
  int64_t inventoryBytes = 0, pageBytes = 0;
  double loadMs = 0;  // 0 when the browser check failed
};

// The page of a files inventory of that many files, and its median load.
PageT Page(const hxbench::BenchDirC& dir, int64_t files) {
  const std::string name = dir.File("files" + std::to_string(files));
  const FileNameC inventory(name + ".hxi");
  if (XmlSaveFile(&inventory, hxbench::FilesInventory(files, false).get()) != hx::RC_OK) std::abort();
  PageT page;
  page.inventoryBytes = hxbench::FileSize(name + ".hxi");
  if (!RunTool({c_Viewer, "--html", (name + ".html").c_str(), (name + ".hxi").c_str()})) return page;
  page.pageBytes = hxbench::FileSize(name + ".html");
  const std::string command = std::string("python3 ") + c_Check + " --load " + c_Chromium + " " + name + ".html " +
                              c_PageLoads + " > " + name + ".load";
  if (!hxbench::RunChild({"/bin/sh", "-c", command}).ok) return page;
  std::ifstream in(name + ".load");
  std::string word;
  if (in >> word && word == "load") in >> page.loadMs;
  return page;
}

void PrintPages() {
  hxbench::BenchDirC dir("hxviewpage");
  const PageT large = Page(dir, c_PageFiles), small = Page(dir, c_SmallPageFiles);
  for (const auto& [files, page] : {std::pair<int64_t, PageT>{c_PageFiles, large}, {c_SmallPageFiles, small}})
    std::printf("page of %6lld files: %10lld bytes, %.2f of the inventory, load %8.1f ms\n",
                static_cast<long long>(files), static_cast<long long>(page.pageBytes),
                page.inventoryBytes > 0 ? static_cast<double>(page.pageBytes) / page.inventoryBytes : 0.0, page.loadMs);
  if (large.loadMs > 0 && small.loadMs > 0) std::printf("ratio of page loads:              %8.2f\n", large.loadMs / small.loadMs);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hxbench::MedianReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double viewer = reporter.Median("BM_Hxview");
  const double reference = reporter.Median("BM_XmllintStream");
  const double expat = reporter.Median("BM_BareExpat");
  std::printf("\n%lld bytes, %lld top-level entities; medians of %d repetitions\n",
              static_cast<long long>(hxbench::FileSize(Inventory())),
              static_cast<long long>(c_Files + c_Packages + c_Hardware), c_Repetitions);
  std::printf("hxview (summary to /dev/null):    %8.1f ms\n", viewer * 1e3);
  std::printf("xmllint --stream --noout:         %8.1f ms\n", reference * 1e3);
  std::printf("bare expat parse, in process:     %8.1f ms\n", expat * 1e3);
  if (viewer > 0 && reference > 0) std::printf("ratio hxview / xmllint:           %8.2f\n", viewer / reference);
  if (viewer > 0 && expat > 0) std::printf("ratio hxview / bare expat:        %8.2f\n", viewer / expat);
  const std::string& file = Inventory();
  const double viewerCpu = MedianCpu({c_Viewer, file.c_str()});
  const double referenceCpu = MedianCpu({c_Xmllint, "--stream", "--noout", file.c_str()});
  std::printf("processor time, hxview:           %8.1f ms\n", viewerCpu * 1e3);
  std::printf("processor time, xmllint:          %8.1f ms\n", referenceCpu * 1e3);
  if (viewerCpu > 0 && referenceCpu > 0)
    std::printf("ratio of processor times:         %8.2f\n", viewerCpu / referenceCpu);
  PrintPages();
  benchmark::Shutdown();
  return 0;
}
