// A whole run of bin/hxtrack on this Linux host with the shipped configuration (the Linux
// providers from the build's plug-in directory, hardware and packages, no file scan) beside the
// two agents an administrator would otherwise run for the same facts, `facter` and
// `fusioninventory-agent --local DIR`, in one benchmark run: for each, one warming pair and
// five alternating pairs, the medians and the median of the pairs' ratios (target: hxtrack
// takes at most 0.1 of the peer's time), and how many sections each reports (hxtrack's
// hardware classes, facter's top-level facts, fusioninventory-agent's inventory sections).
// A peer that is not installed is skipped with a line saying so.
//
//   scripts/setup.sh --bench            installs both peers
//   build/bin/bench_linux_run

#include <expat.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
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

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The distinct names of the elements `depth` levels down in an XML document: the Hardware
// classes of an inventory (Class attributes at depth 2), the sections of a local inventory of
// fusioninventory-agent (REQUEST > CONTENT > section: depth 3).
std::set<std::string> NamesAtDepth(const std::string& xml, int depth, const char* attribute) {
  struct StateT {
    int depth = 0, wanted = 0;
    const char* attribute = nullptr;
    std::set<std::string> names;
  } state{0, depth, attribute, {}};
  XML_Parser p = XML_ParserCreate("UTF-8");
  XML_SetUserData(p, &state);
  XML_SetElementHandler(
      p,
      [](void* self, const char* tag, const char** atts) {
        auto* s = static_cast<StateT*>(self);
        if (++s->depth != s->wanted) return;
        if (s->attribute == nullptr) s->names.insert(tag);
        for (; s->attribute != nullptr && *atts != nullptr; atts += 2)
          if (std::strcmp(atts[0], s->attribute) == 0) s->names.insert(atts[1]);
      },
      [](void* self, const char*) { --static_cast<StateT*>(self)->depth; });
  XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE);
  XML_ParserFree(p);
  return state.names;
}

// The one file a directory holds (the last inventory of a run), "" when there is none.
std::string OnlyFileIn(const std::string& dir) {
  std::error_code ec;
  std::string found;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) found = e.path().string();
  return found;
}

}  // namespace

int main() {
  hxbench::BenchDirC dir("hxlinuxrun");
  hxbench::Shell("install -m 600 " + std::string(c_ShippedIni) + " " + dir.File("tarvosk.ini"));
  hxbench::Shell("mkdir -m 700 " + dir.File("fusion"));
  const std::vector<std::string> env{"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"),
                                     "TARVOSKDATADIR=" + dir.File("data"),
                                     std::string("TARVOSKINSTALLDIR=") + HX_BINARY_DIR};
  // Every run makes a new inventory (no run is skipped as too recent) and keeps only it.
  const std::vector<std::string> argv{c_Program,
                                      "-o",
                                      "UserInteractionLevel=QUIET",
                                      "-o",
                                      "LowProfile=False",
                                      "-o",
                                      "MinInventoryInterval=0",
                                      "-o",
                                      "Upload=False",
                                      "-o",
                                      "Difference=False"};
  const std::string inventories = dir.File("data") + "/tracker/inventories";
  const auto run = [&] {
    hxbench::Shell("rm -f " + inventories + "/*");
    if (!hxbench::RunChild(argv, env, true).ok) {
      std::fprintf(stderr, "hxtrack failed\n");
      std::exit(1);
    }
  };
  const struct {
    const char* tool;
    std::string command;
  } peers[] = {
      // In a container some facts cannot be read (facter then ends with status 1); the time is
      // still that of the whole collection.
      {"facter", "facter --json > " + dir.File("facter.json") + " 2>/dev/null || true"},
      {"fusioninventory-agent", "rm -f " + dir.File("fusion") + "/* && fusioninventory-agent --local " +
                                    dir.File("fusion") + " > /dev/null 2>&1"},
  };
  std::printf("whole run of bin/hxtrack on Linux, shipped configuration, no file scan (target <= %.2f):\n", c_Target);
  for (const auto& peer : peers) {
    if (!Installed(peer.tool)) {
      std::printf("%-22s not installed (scripts/setup.sh --bench): skipped\n", peer.tool);
      continue;
    }
    const hxbench::ComparisonT c = hxbench::ComparePairs(run, peer.command);
    std::printf("hxtrack %8.3f s   %-22s %8.3f s   ratio %.3f%s\n", c.ours, peer.tool, c.theirs, c.ratio,
                c.ratio <= c_Target ? "" : "   (above the target)");
  }
  const size_t classes = NamesAtDepth(ReadAll(OnlyFileIn(inventories)), 2, "Class").size();
  std::printf("sections: hxtrack %zu hardware classes", classes);
  if (Installed("facter")) {
    const nlohmann::json facts = nlohmann::json::parse(ReadAll(dir.File("facter.json")), nullptr, false);
    std::printf(", facter %zu top-level facts", facts.is_object() ? facts.size() : 0);
  }
  if (Installed("fusioninventory-agent"))
    std::printf(", fusioninventory-agent %zu sections",
                NamesAtDepth(ReadAll(OnlyFileIn(dir.File("fusion"))), 3, nullptr).size());
  std::printf("\n");
  return 0;
}
