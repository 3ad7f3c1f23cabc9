// A whole run of bin/hxtrack on this machine with the shipped configuration (hardware and
// packages, no file scan: the shipped configuration names no directory to scan), beside the
// inventory agents an administrator would otherwise run for the same facts:
// `fusioninventory-agent --local DIR` and `facter`. Each comparison warms both sides once, then
// runs five alternating pairs and prints the medians and the median of the pairs' ratios.
//
//   scripts/setup.sh --bench            installs both references
//   build/bin/bench_whole_run

#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

constexpr const char* c_Program = HX_BINARY_DIR "/bin/hxtrack";
constexpr const char* c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";
constexpr double c_Target = 0.1;

bool Installed(const char* tool) {
  return hxbench::RunChild({"/bin/sh", "-c", std::string("command -v ") + tool + " > /dev/null"}).ok;
}

}  // namespace

int main() {
  hxbench::BenchDirC dir("hxwholerun");
  hxbench::Shell("install -m 600 " + std::string(c_ShippedIni) + " " + dir.File("tarvosk.ini"));
  hxbench::Shell("mkdir -m 700 " + dir.File("fusion"));
  const std::vector<std::string> env{"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"), "TARVOSKDATADIR=" + dir.File("data"),
                                     std::string("TARVOSKINSTALLDIR=") + HX_BINARY_DIR};
  // Every run makes a new inventory: no run is skipped as too recent.
  const std::vector<std::string> argv{c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False", "-o",
                                      "MinInventoryInterval=0", "-o", "Upload=False"};
  const auto run = [&] {
    if (!hxbench::RunChild(argv, env).ok) {
      std::fprintf(stderr, "hxtrack failed\n");
      std::exit(1);
    }
  };
  const struct {
    const char* tool;
    std::string command;
  } references[] = {
      {"fusioninventory-agent", "fusioninventory-agent --local " + dir.File("fusion") + " > /dev/null 2>&1"},
      // In a container some facts cannot be read (facter then ends with status 1); the time is
      // still that of the whole collection.
      {"facter", "facter > /dev/null 2>&1 || true"},
  };
  std::printf("whole run of bin/hxtrack, shipped configuration, no file scan (target <= %.2f):\n", c_Target);
  for (const auto& r : references) {
    if (!Installed(r.tool)) {
      std::printf("%-22s not installed (scripts/setup.sh --bench)\n", r.tool);
      continue;
    }
    const hxbench::ComparisonT c = hxbench::ComparePairs(run, r.command);
    std::printf("hxtrack %8.3f s   %-22s %8.3f s   ratio %.3f\n", c.ours, r.tool, c.theirs, c.ratio);
  }
  return 0;
}
