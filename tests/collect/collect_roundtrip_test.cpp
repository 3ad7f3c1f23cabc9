// The collector against real runs of the agent: a machine inventoried in full, changed, and
// inventoried again as deltas; the deltas ingested after the full inventory must leave the
// same items as a full inventory of the changed machine, whichever way the agent makes its
// deltas (each against the last full inventory, or each against the one before).

#include <unistd.h>

#include <filesystem>

#include "app/AppTestSupport.h"
#include "collect/CollectTestSupport.h"

namespace {

namespace fs = std::filesystem;
using hxtest::TempDirC;

// A fixture machine with disks, an operating system, Debian packages and a tree of files:
// the physical server's captures with the Debian machine's package database.
std::string ServerWithPackages(const TempDirC& dir) {
  const std::string machine = dir.File("machine");
  fs::copy(hxapp::c_Machines + "linux-server", machine, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  for (const char* part : {"usr", "var", "etc/mnttab"})
    fs::copy(hxapp::c_Machines + "debian12/" + part, machine + "/" + part, fs::copy_options::recursive);
  fs::create_directories(machine + "/srv/data");
  for (const char* name : {"a", "b", "c"}) hxtest::WriteFile(machine + "/srv/data/" + name + ".txt", name);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(machine, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove, ec);
  }
  return machine;
}

// One run of the agent with its data directory in `dir`; the file it staged moves to `inbox`.
void RunAgent(const TempDirC& dir, const std::string& machine, const std::string& tree,
              const std::vector<std::string>& options, const std::string& inbox) {
  std::vector<std::string> args{"-o", "Upload=False", "-o", "IncludeDirectory=" + tree, "-o", "IncludeExtension=txt",
                                "-o", "GenerateMD5=True"};
  for (const std::string& o : options) args.insert(args.end(), {"-o", o});
  hxapp::TrackerProcessC p(dir, hxapp::QuietArgs(args), hxtest::ReadFile(hxapp::c_ShippedIni));
  if (!machine.empty()) p.OnMachine(machine);
  ASSERT_EQ(p.Start(), hx::RC_OK);
  ASSERT_EQ(p.Finish(), 0u) << hxtest::ReadFile(dir.File("data/log/tracker.log"));
  static int s_run = 0;
  for (const std::string& f : hxtest::FilesIn(dir.File("data/uploads")))
    fs::rename(dir.File("data/uploads/" + f), inbox + "/" + std::to_string(++s_run) + " " + f);
}

// The items a full inventory of the machine as it is now leaves in a fresh database.
std::vector<std::string> ItemsOfFullRun(const std::string& machine, const std::string& tree,
                                        const std::vector<std::string>& options) {
  TempDirC ref("hxcollect-ref");
  const std::string inbox = ref.Mkdir("inbox");
  RunAgent(ref, machine, tree, options, inbox);
  auto db = collecttest::NewDatabase(collecttest::EngineE::Sqlite, ref.File("ref.db"));
  collecttest::Ingest(*db, inbox);
  return collecttest::CurrentItems(*db);
}

struct ChangeT {
  const char* what;
  std::function<void(const std::string& machine, const std::string& tree)> apply;
};

void Replace(const std::string& path, const std::string& from, const std::string& to) {
  std::string text = hxtest::ReadFile(path);
  ASSERT_NE(text.find(from), std::string::npos) << path;
  hxtest::WriteFile(path, text.replace(text.find(from), from.size(), to));
}

const std::string c_NewPackage = "ii \tnewpkg\tamd64\t1.0-1\tSomebody <s@example.org>\tA package added\n";

// Three rounds of changes; the third takes back the package the first added.
const std::vector<ChangeT> c_Changes = {
    {"a package added and one removed, a disk removed",
     [](const std::string& m, const std::string&) {
       const std::string query = m + "/var/lib/dpkg/query-output";
       std::string text = hxtest::ReadFile(query);
       const size_t line = text.find("ii \ttzdata");
       ASSERT_NE(line, std::string::npos);
       hxtest::WriteFile(query, text.erase(line, text.find('\n', line) + 1 - line) + c_NewPackage);
       fs::remove(m + "/sys/block/sdb");
     }},
    {"a property changed, files changed",
     [](const std::string& m, const std::string& tree) {
       if (!m.empty()) Replace(m + "/etc/os-release", "VERSION_ID=\"7.0\"", "VERSION_ID=\"7.1\"");
       hxtest::WriteFile(tree + "/a.txt", "changed");
       fs::remove(tree + "/b.txt");
       hxtest::WriteFile(tree + "/d.txt", "c");  // the same content as c.txt: one item, two files
     }},
    {"the added package removed again",
     [](const std::string& m, const std::string&) { Replace(m + "/var/lib/dpkg/query-output", c_NewPackage, ""); }},
};

void RoundTrip(collecttest::EngineE engine, bool incremental, bool fixture) {
  TempDirC dir("hxcollect-trip");
  const std::string machine = fixture ? ServerWithPackages(dir) : std::string();
  const std::string tree = fixture ? machine + "/srv/data" : dir.Mkdir("tree");
  if (!fixture) {
    for (const char* name : {"a", "b", "c"}) hxtest::WriteFile(tree + "/" + name + ".txt", name);
  }
  const std::vector<std::string> options{"Difference=True", std::string("IncrementalDiff=") + (incremental ? "True" : "False")};
  // This host's hardware (free memory, processes) changes from run to run by itself.
  const std::vector<std::string> host = fixture ? std::vector<std::string>() : std::vector<std::string>{"Hardware=False"};
  auto run = [&](const std::vector<std::string>& o, const std::string& inbox) {
    std::vector<std::string> all = o;
    all.insert(all.end(), host.begin(), host.end());
    RunAgent(dir, machine, tree, all, inbox);
  };
  const std::string inbox = dir.Mkdir("inbox");
  run({}, inbox);
  auto db = collecttest::NewDatabase(engine, dir.File("collect.db"));
  EXPECT_TRUE(hxtest::Contains(collecttest::Ingest(*db, inbox, incremental), "(Full).hxi.gz: applied"));
  for (const ChangeT& change : c_Changes) {
    SCOPED_TRACE(change.what);
    if (!fixture && std::string(change.what).find("files") == std::string::npos) continue;
    change.apply(machine, tree);
    run(options, inbox);
    const std::string log = collecttest::Ingest(*db, inbox, incremental);
    // One new file, a delta (its staged name carries the generation), applied.
    EXPECT_EQ(hxtest::Count(log, "\n"), 1u) << log;
    EXPECT_TRUE(hxtest::Contains(log, " (1).hxi.gz: applied") || hxtest::Contains(log, " (2).hxi.gz: applied") ||
                hxtest::Contains(log, " (3).hxi.gz: applied")) << log;
    const std::vector<std::string> expected = ItemsOfFullRun(machine, tree, host);
    EXPECT_EQ(collecttest::Differences(collecttest::CurrentItems(*db), expected), "");
    EXPECT_FALSE(expected.empty());
  }
}

// The fixture machine's rounds on each engine; this host's on the embedded one.
class CollectRoundTripOn : public collecttest::EngineTest {};
INSTANTIATE_ENGINES(CollectRoundTripOn);
TEST_P(CollectRoundTripOn, FixtureDeltasAgainstTheLastFullInventory) { RoundTrip(GetParam(), false, true); }
TEST_P(CollectRoundTripOn, FixtureIncrementalDeltas) { RoundTrip(GetParam(), true, true); }
TEST(CollectRoundTrip, ThisHostScannedTree) { RoundTrip(collecttest::EngineE::Sqlite, false, false); }

}  // namespace
