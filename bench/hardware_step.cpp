// The whole hardware step of this machine against the tools an administrator would run for
// the same facts. hxtrack's step is the class list the shipped configuration gives the host's
// operating system (processors, memory, computer system, product, BIOS, operating system,
// network adapters, enclosure, disks, displays, processes), run in a child process forked for
// each iteration, so that every per-process cache (topology, SMBIOS table, device tree) starts
// cold as in a real run. The reference is `lscpu`, `lsblk` and `ps -eo user,comm` run one
// after the other as three processes, their output read to its end. No file scan is involved.
//
// The closing lines give both times, the ratio step / tools, and the same ratio for the step
// without its network class (ifconfig and netstat are two more processes the tools do not
// have to run).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/driver/TrkProviderTable.h"
#include "foundation/com/ComRegistry.h"
#include "foundation/com/ComServer.h"
#include "foundation/core/Nodiscard.h"
#include "hardware/framework/TrkTrackUnixHardware.h"
#include "inventory/TrkInventory.h"
#include "prefs/defaults/SharedDefaults.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/tracker/TrkUnixPreferences.h"
#include "BenchSupport.h"

namespace {

const std::string c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";
constexpr int c_Repetitions = 5;
constexpr const char* c_NetworkClassKey = "[Tarvosk\\Tracker\\CurrentVersion\\Linux\\Hardware\\TVK_NetworkAdapterConfiguration]";

// Runs a program with its output read to the end; true when it exits with 0.
bool RunTool(const std::vector<const char*>& argv) {
  int out[2];
  if (::pipe(out) != 0) return false;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const char* a : argv) args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  char buffer[65536];
  while (::read(out[0], buffer, sizeof buffer) > 0) {
  }
  ::close(out[0]);
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The tracker's start-up as far as the hardware step needs it: the configuration mounted and
// the preferences loaded (again for each configuration), the provider classes registered
// (once). Done in the parent; the providers themselves only ever run in the forked children.
class TrackerC {
 public:
  // The provider classes by identifier and by provider name, as the tracker registers them.
  TrackerC() : dir_("hxhwbench"), server_(trk::UnixProviderTable()) {
    ComRegistryI* registry = ComRegistryC::Instance();
    HX_IGNORE_RESULT(server_.Register(registry));  // a class missing shows as a smaller inventory
    ComNameRegistryI* names = nullptr;
    if (hx::Failed(registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names)))) std::abort();
    for (ComObjectEntryC** e = trk::UnixProviderTable(); *e != nullptr; ++e) {
      StringC name = (*e)->GetFactory()->GetClassName();
      HX_IGNORE_RESULT(names->RegisterClassName(name.data(), (*e)->GetCLSID()));
    }
    names->Release();
  }

  void Mount(const std::string& ini) {
    const std::string data = dir_.File("data");
    ::setenv("TARVOSKCONFIGINI", ini.c_str(), 1);
    ::setenv("TARVOSKDATADIR", data.c_str(), 1);
    ::unsetenv("TARVOSKSYSROOT");
    prefs_.reset();
    getConfiguration(1)->registry()->Reset();
    HX_IGNORE_RESULT(EnvUnixC::InitRegistry());  // the bench's own files: a failure shows in its figures
    hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
    env_RestoreSharedDefaults();
    env_EnvironmentC::ResetCurrent();
    char program[] = "hxtrack", o[] = "-o", quiet[] = "UserInteractionLevel=QUIET";
    char* argv[] = {program, o, quiet, nullptr};
    prefs_ = std::make_unique<TrkUnixPreferencesC>();
    if (prefs_->LoadPreferences(3, argv) != hx::RC_OK) std::abort();
  }

  // One hardware step in a child process; true when it succeeded and wrote Hardware elements.
  static bool Step() {
    const pid_t pid = ::fork();
    if (pid == 0) {
      RefM<TrkInventoryC> inventory = TrkInventoryC::New();
      TrkTrackUnixHardwareC hardware;
      hardware.WriteInto(inventory.get());
      const hx::ResultT r = hardware.Track(static_cast<ZORHXTInventoryI*>(inventory.get()), nullptr, nullptr);
      TrkInventoryEntityC* root = nullptr;
      const bool wrote = hx::Succeeded(inventory->GetRootEntity(&root)) && root != nullptr &&
                         root->GetFirstChild() != nullptr;
      ::_exit(hx::Succeeded(r) && wrote ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  hxbench::BenchDirC dir_;
  ComServerC server_;
  std::unique_ptr<TrkUnixPreferencesC> prefs_;
};

TrackerC& Tracker() {
  static TrackerC s_tracker;
  return s_tracker;
}

std::string ReadAll(const std::string& path) {
  std::string text;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) std::abort();
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  return text;
}

// The shipped configuration without the network class of the Linux list.
std::string WithoutNetwork() {
  std::string ini = ReadAll(c_ShippedIni);
  const size_t at = ini.find(c_NetworkClassKey);
  if (at != std::string::npos) ini.erase(at, ini.find('[', at + 1) - at);
  const std::string path = Tracker().File("no-network.ini");
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) std::abort();
  std::fputs(ini.c_str(), f);
  std::fclose(f);
  return path;
}

void BM_HardwareStep(benchmark::State& state, const std::string& ini) {
  Tracker().Mount(ini);
  for (auto _ : state) {
    if (!TrackerC::Step()) state.SkipWithError("the hardware step failed");
  }
}

void BM_LscpuLsblkPs(benchmark::State& state) {
  for (auto _ : state) {
    const bool ok = RunTool({"lscpu"}) && RunTool({"lsblk"}) && RunTool({"ps", "-eo", "user,comm"});
    if (!ok) state.SkipWithError("a tool failed");
  }
}
BENCHMARK(BM_LscpuLsblkPs)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(c_Repetitions);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("BM_HardwareStep/shipped", BM_HardwareStep, c_ShippedIni)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(c_Repetitions);
  benchmark::RegisterBenchmark("BM_HardwareStep/no_network", BM_HardwareStep, WithoutNetwork())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(c_Repetitions);
  hxbench::MedianReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double tools = reporter.Median("BM_LscpuLsblkPs");
  const double shipped = reporter.Median("BM_HardwareStep/shipped");
  const double noNetwork = reporter.Median("BM_HardwareStep/no_network");
  std::printf("\nmedians of %d repetitions\n", c_Repetitions);
  std::printf("lscpu; lsblk; ps -eo user,comm:              %8.2f ms\n", tools * 1e3);
  std::printf("hardware step, shipped Linux class list:      %8.2f ms\n", shipped * 1e3);
  std::printf("hardware step without the network class:      %8.2f ms\n", noNetwork * 1e3);
  if (tools > 0 && shipped > 0) std::printf("ratio step / tools:                %6.2f\n", shipped / tools);
  if (tools > 0 && noNetwork > 0) std::printf("ratio step without network / tools: %6.2f\n", noNetwork / tools);
  benchmark::Shutdown();
  return 0;
}
