// What a log call costs when the filter rejects its letter, next to one that is written to the
// log file. A rejected call must not format anything (not even collect its arguments), so it
// should cost a few nanoseconds against the microseconds of a written line.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"

namespace {

constexpr int32_t kMsgBench = static_cast<int32_t>(0xE0BD0A0Bu);
constexpr const char* kText = "\x01\x01i\x01Preference '%1$s' has the value '%2$s' (%3$d)";

class BenchSettings : public hx::LogSettingsI {
 public:
  bool Get(const char* name, std::string& value) override {
    auto it = values.find(name);
    if (it == values.end()) return false;
    value = it->second;
    return true;
  }
  std::map<std::string, std::string> values;
};

// A process log manager that writes letter G to a file in a temporary directory and rejects
// every other letter.
class BenchLog {
 public:
  BenchLog() {
    char tmpl[] = "/tmp/hxlogbenchXXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    dir_ = tmpl;
    settings_.values = {{"LogFile", dir_ + "/bench.log"}, {"LogLevel", "G"}, {"LogFlags", "1"}};
    hx::SetLogSettings(&settings_);
    log_LogManagerC::ReleaseInstance(0);
    log_LogManagerC::Instance();
  }
  ~BenchLog() {
    log_LogManagerC::ReleaseInstance(0);
    hx::SetLogSettings(nullptr);
    std::remove((dir_ + "/bench.log").c_str());
    rmdir(dir_.c_str());
  }

 private:
  std::string dir_;
  BenchSettings settings_;
};

const std::string kName = "IncludeDirectory";
const std::string kValue = "/opt;/usr/local;/export/home";

void BM_LogRejectedLetter(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(hx::Log('P', 2, kMsgBench, kText, kName, kValue, 42));
}

void BM_LogWrittenToFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(hx::Log('G', 0, kMsgBench, kText, kName, kValue, 42));
}

BENCHMARK(BM_LogRejectedLetter)->Iterations(1000000);
BENCHMARK(BM_LogWrittenToFile)->Iterations(100000);

// Prints the runs as usual and keeps each one's time per call for the closing comparison.
class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) perCall[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> perCall;  // in nanoseconds
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  BenchLog log;
  KeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double rejected = 0, written = 0;
  for (const auto& kv : reporter.perCall) {
    if (kv.first.find("Rejected") != std::string::npos) rejected = kv.second;
    if (kv.first.find("Written") != std::string::npos) written = kv.second;
  }
  std::printf("rejected letter: %.1f ns per call\n", rejected);
  std::printf("written to file: %.1f ns per call\n", written);
  if (rejected > 0) std::printf("a written line costs %.0f times a rejected one\n", written / rejected);
  return 0;
}
