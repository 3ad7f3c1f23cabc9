// What $(Name) expansion costs per megabyte of value, next to a plain copy of the same bytes.
// The expander builds its output in one pass, so the time per MB must stay flat as the value
// grows (1, 4 and 16 MB) and stay within a small factor of the copy.

#include <benchmark/benchmark.h>

#include <string>

#include "prefs/store/EnvPreferences.h"

namespace {

// A value of about `bytes` bytes with a reference every ~40 characters, some to an unknown
// name and some to a value that names itself.
std::string MakeValue(size_t bytes) {
  std::string value;
  value.reserve(bytes + 64);
  for (int i = 0; value.size() < bytes; ++i) {
    value += "entry" + std::to_string(i) + "=$(CommonAppDataFolder)/log";
    value += (i % 8 == 0) ? "$(Unknown);" : (i % 64 == 0 ? "$(Self);" : ";");
  }
  return value;
}

void SetUp(env_EnvironmentC& env, EnvPreferencesC& prefs, size_t bytes) {
  prefs.AddValue(StringC("CommonAppDataFolder"), StringC("/var/tmp/tarvosk"));
  prefs.AddValue(StringC("Self"), StringC("x$(Self)"));
  prefs.AddValue(StringC("Big"), MakeValue(bytes));
  (void)env;
}

void BM_Expand(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  SetUp(env, prefs, bytes);
  for (auto _ : state) {
    StringC out = prefs.GetValue(StringC("Big"));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["ms_per_MB"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_PlainCopy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  const std::string value = MakeValue(bytes);
  for (auto _ : state) {
    std::string out(value);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["ms_per_MB"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

BENCHMARK(BM_Expand)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopy)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
