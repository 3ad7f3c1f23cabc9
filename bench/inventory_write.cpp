// Writing the inventory file: 100,000 Hardware and Property elements (20,000 hardware instances
// with four properties each), the size of a large server's hardware section. The reference in
// the same run is a plain fwrite of the very same bytes to a file: the floor that any writer of
// this document has to pay. The closing lines give both rates and their ratio.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "BenchSupport.h"

namespace {

constexpr int c_Instances = 20000;
constexpr int c_PropertiesPerInstance = 4;

class BenchDataC {
 public:
  BenchDataC() {
    inventory_ = TrkInventoryC::New();
    TrkInventoryHeaderT h = hxbench::BenchHeader();
    h.expectHardware = true;
    // Fixed names and values present: nothing here can be refused.
    HX_IGNORE_RESULT(inventory_->AddRootAttributes(h));
    for (int i = 0; i < c_Instances; ++i) {
      auto hw = TrkTrackC::AddClass(inventory_.get(), "Disk", "sd" + std::to_string(i), "devinfo");
      HX_IGNORE_RESULT(hw->AddProperty("Size", std::to_string(1000000000LL + i), "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Vendor", "Vendor & Sons <storage>", "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Serial", "SN-" + std::to_string(i * 7919), "", false));
      HX_IGNORE_RESULT(hw->AddProperty("Path", "/devices/pci@0,0/pci8086,2829@1f,2/disk@" + std::to_string(i) + ",0", "", false));
    }
  }
  TrkInventoryC* Inventory() const { return inventory_.get(); }
  std::string File() const { return dir_.File("inventory.hxi"); }
  std::string ReferenceFile() const { return dir_.File("reference.hxi"); }

  // The bytes the writer produces, read back once for the reference.
  const std::string& Bytes() {
    if (bytes_.empty()) {
      const FileNameC file(File());
      if (XmlSaveFile(&file, inventory_.get()) != hx::RC_OK) std::abort();
      std::ifstream in(File(), std::ios::binary);
      bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return bytes_;
  }

 private:
  hxbench::BenchDirC dir_{"hxinvbench"};
  RefM<TrkInventoryC> inventory_;
  std::string bytes_;
};

BenchDataC& Data() {
  static BenchDataC s_data;
  return s_data;
}

void BM_InventoryWrite(benchmark::State& state) {
  const size_t bytes = Data().Bytes().size();
  const FileNameC file(Data().File());
  for (auto _ : state) {
    if (XmlSaveFile(&file, Data().Inventory()) != hx::RC_OK) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_InventoryWrite)->Unit(benchmark::kMillisecond);

void BM_ReferenceFwrite(benchmark::State& state) {
  const std::string& bytes = Data().Bytes();
  for (auto _ : state) {
    std::FILE* out = std::fopen(Data().ReferenceFile().c_str(), "w");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
      state.SkipWithError("write failed");
    }
    if (out) std::fclose(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReferenceFwrite)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hxbench::RecordingReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double mb = static_cast<double>(Data().Bytes().size()) / (1024.0 * 1024.0);
  const double writer = reporter.Seconds("BM_InventoryWrite");
  const double reference = reporter.Seconds("BM_ReferenceFwrite");
  if (writer > 0 && reference > 0) {
    std::printf("\ninventory of %d elements, %.1f MB\n", c_Instances * (1 + c_PropertiesPerInstance), mb);
    std::printf("inventory writer:                        %8.1f MB/s\n", mb / writer);
    std::printf("reference, plain fwrite of the same bytes: %6.1f MB/s\n", mb / reference);
    std::printf("ratio writer time / reference time:      %8.2f\n", writer / reference);
  }
  benchmark::Shutdown();
  return 0;
}
