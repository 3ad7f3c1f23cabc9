// Staging compression of an inventory file: the staging's gzip routine (trk::GzipCopy) against
// the system's `gzip -6` on the same file in the same run, and the same zlib stream fed from
// reads of 1 KB and of 64 KB, which tells whether the size of the reads matters. The input is
// a file-scan inventory of 100,000 files (about 15 MB), written by the inventory writer. The
// closing lines give the rates, the ratio of the routine to gzip and the compressed sizes.
//
// The routine keeps its 1 KB reads: zlib collects small writes in its own input buffer before it
// deflates, and the reads come from the stdio buffer, so the two read sizes measure the same
// (medians within a few percent); deflate itself is the whole cost.

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/staging/TrkGzip.h"
#include "inventory/TrkInventory.h"
#include "inventory/XmlOutputStream.h"
#include "BenchSupport.h"

namespace {

constexpr int c_Files = 100000;
constexpr const char* c_Gzip = "/usr/bin/gzip";

using hxbench::FileSize;

// The file-scan inventory written once; the compressed copies go beside it.
class BenchDataC {
 public:
  BenchDataC() : dir_("hxgzipbench") {
    const FileNameC file(Source());
    if (XmlSaveFile(&file, hxbench::FilesInventory(c_Files, false).get()) != hx::RC_OK) std::abort();
    bytes_ = FileSize(Source());
  }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string Source() const { return File("inventory.hxi"); }
  int64_t Bytes() const { return bytes_; }

 private:
  hxbench::BenchDirC dir_;
  int64_t bytes_ = 0;
};

BenchDataC& Data() {
  static BenchDataC s_data;
  return s_data;
}

// `gzip -6 -c source > target`, as a separate process like an administrator would run it.
bool RunGzip(const std::string& source, const std::string& target) {
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (std::freopen(target.c_str(), "wb", stdout) == nullptr) _exit(127);
    execl(c_Gzip, "gzip", "-6", "-c", source.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The routine's zlib stream (gzopen "wb": level 6) fed from reads of `chunk` bytes.
bool GzipInChunks(const std::string& source, const std::string& target, size_t chunk) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  gzFile out = gzopen(target.c_str(), "wb");
  bool ok = in != nullptr && out != nullptr;
  std::vector<char> buffer(chunk);
  size_t n;
  while (ok && (n = std::fread(buffer.data(), 1, chunk, in)) > 0)
    ok = gzwrite(out, buffer.data(), static_cast<unsigned>(n)) == static_cast<int>(n);
  if (in != nullptr) std::fclose(in);
  if (out != nullptr && gzclose(out) != Z_OK) ok = false;
  return ok;
}

void BM_StagingGzipCopy(benchmark::State& state) {
  const FileNameC source(Data().Source()), target(Data().File("staged.gz"));
  for (auto _ : state) {
    if (trk::GzipCopy(source, target) != hx::RC_OK) state.SkipWithError("GzipCopy failed");
  }
  state.SetBytesProcessed(state.iterations() * Data().Bytes());
}
BENCHMARK(BM_StagingGzipCopy)->Unit(benchmark::kMillisecond);

void BM_SystemGzip6(benchmark::State& state) {
  for (auto _ : state) {
    if (!RunGzip(Data().Source(), Data().File("gzip.gz"))) state.SkipWithError("gzip failed");
  }
  state.SetBytesProcessed(state.iterations() * Data().Bytes());
}
BENCHMARK(BM_SystemGzip6)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZlibReads(benchmark::State& state) {
  const size_t chunk = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    if (!GzipInChunks(Data().Source(), Data().File("chunk.gz"), chunk)) state.SkipWithError("gzip failed");
  }
  state.SetBytesProcessed(state.iterations() * Data().Bytes());
}
BENCHMARK(BM_ZlibReads)->Arg(1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hxbench::RecordingReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double mb = static_cast<double>(Data().Bytes()) / (1024.0 * 1024.0);
  const double staging = reporter.Seconds("BM_StagingGzipCopy");
  const double gzip = reporter.Seconds("BM_SystemGzip6/real_time");
  const double small = reporter.Seconds("BM_ZlibReads/1024");
  const double large = reporter.Seconds("BM_ZlibReads/65536");
  std::printf("\ninventory of %d files, %.1f MB\n", c_Files, mb);
  if (staging > 0) std::printf("staging gzip routine (reads of %zu bytes): %7.1f MB/s\n", trk::c_GzipReadSize, mb / staging);
  if (gzip > 0) std::printf("gzip -6 (separate process):            %7.1f MB/s\n", mb / gzip);
  if (staging > 0 && gzip > 0) std::printf("ratio routine time / gzip -6 time:     %7.2f\n", staging / gzip);
  if (small > 0 && large > 0)
    std::printf("zlib fed from 1 KB reads / 64 KB reads: %6.2f (time ratio)\n", small / large);
  const int64_t ours = FileSize(Data().File("staged.gz")), theirs = FileSize(Data().File("gzip.gz"));
  if (ours > 0 && theirs > 0)
    std::printf("compressed size: routine %lld bytes, gzip -6 %lld bytes\n", static_cast<long long>(ours),
                static_cast<long long>(theirs));
  benchmark::Shutdown();
  return 0;
}
