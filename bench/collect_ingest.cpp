// hxcollect at fleet size, on inventories written by the inventory writer as the agent writes
// them (Debian packages with versions, install dates and properties; hardware instances of the
// Linux classes), each machine its own chain:
//
// 1. Ingest: HXBENCH_MACHINES (1,000) full inventories of 1,000 packages and 100 hardware
//    instances into a fresh SQLite database with the program, in the transactions its pass makes.
//    The reference in the same run is the sqlite3 shell loading the very rows the collector
//    stored (exported as CSV) into the collector's own schema and indexes in one transaction,
//    with every setting the collector's connections make (c_SqliteSettings: WAL, synchronous
//    FULL, foreign keys, the page cache, temporary storage in memory): what the engine costs
//    for those rows at the least. item_versions goes in without its last column, which
//    is NULL in every row (CSV has no NULL): the shell fills it and warns once per row (to a
//    file), a small cost on the reference's side.
// 2. A delta touching 1% of a machine (10 packages of a new version, one disk's free space)
//    against that machine's whole inventory with the same change, taken in process by the
//    ingest pass over an open database holding the bases: per document in a pass over the
//    deltas of HXBENCH_DELTA_MACHINES (100) machines, as a collector serving a fleet takes
//    them, and one document alone in its pass; the whole inventory also into a fresh
//    database.
// 3. `hxcollect packages NAME` (a package on 10 machines) at 500 and at 5,000 machines, the
//    program and the question in process; HXBENCH_SCALE_PACKAGES and HXBENCH_SCALE_HARDWARE
//    (1,000 and 100) give the size of those machines.
// 4. Every hostile document of the collector's hostile-input test, each through the program
//    under a 64 MiB address space: its time, its peak memory and where it went.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "BenchSupport.h"
#include "collect/HostileDocs.h"
#include "collect/ingest/IngestDir.h"
#include "collect/query/Questions.h"
#include "collect/store/Schema.h"
#include "collect/store/SqliteDb.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"

namespace {

using hxbench::BenchDirC;
using hxbench::Shell;

const std::string c_Collector = HX_BINARY_DIR "/bin/hxcollect";
constexpr const char* c_Rare = "hxbench-rare";  // on machines 0 to 9 alone
constexpr int c_RareMachines = 10;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

struct ShapeT {
  int packages = 1000, hardware = 100;
};

const char* const c_Stems[] = {"libc6", "libssl3", "zlib1g", "python3", "perl-base", "coreutils", "libxml2",
                               "libsqlite3-0", "openssh-server", "systemd", "libgcc-s1", "libstdc++6", "bash",
                               "tzdata", "ca-certificates", "libcurl4", "gnupg", "apt", "dpkg", "util-linux",
                               "libexpat1", "libzstd1", "liblzma5", "libbz2-1.0", "libpam-modules", "libsystemd0",
                               "libudev1", "iproute2", "procps", "sed", "grep", "gzip", "tar", "findutils",
                               "libncursesw6", "libreadline8", "libkrb5-3", "libldap-2.5-0", "libgnutls30", "nginx"};
const char* const c_Suffixes[] = {"", "-dev", "-doc", "-dbg", "-common", "-data", "-utils", "-bin", "-tools",
                                  "-examples", "-l10n", "-plugins", "-extra", "-locales", "-man", "-perl", "-python",
                                  "-tests", "-static", "-udeb", "-core", "-modules", "-headers", "-runtime", "-client"};
constexpr int c_StemCount = sizeof c_Stems / sizeof c_Stems[0];

// Hardware classes in the order a machine fills its `hardware` instances; "#" in a value is the
// instance, "@" the machine.
struct ClassT {
  const char* cls;
  const char* name;
  int count;
  std::vector<std::pair<const char*, const char*>> props;
};
const std::vector<ClassT> c_Classes = {
    {"TVK_ComputerSystem", "host@", 1, {{"Manufacturer", "QEMU"}, {"Model", "Standard PC (Q35 + ICH9, 2009)"}, {"TotalPhysicalMemory", "25769803776"}}},
    {"TVK_OperatingSystem", "Linux", 1, {{"Caption", "Debian GNU/Linux 12 (bookworm)"}, {"Version", "6.1.0-2@-amd64"}, {"LastBootUpTime", "2026-11-2# 06:1@"}}},
    {"TVK_LogicalDisk", "/srv/vol#", 8, {{"FileSystem", "ext4"}, {"Size", "10737418240#"}, {"FreeSpace", "52@#7731"}}},
    {"TVK_Processor", "CPU#", 2, {{"Name", "Intel(R) Xeon(R) Gold 6338 CPU @ 2.00GHz"}, {"NumberOfCores", "32"}, {"MaxClockSpeed", "3200"}}},
    {"TVK_DiskDrive", "sd#", 4, {{"Model", "SAMSUNG MZ7L3960"}, {"SerialNumber", "S6@Z#NA0R"}, {"Size", "960197124096"}}},
    {"TVK_NetworkAdapterConfiguration", "eth#", 4, {{"MACAddress", "52:54:00:@:#"}, {"IPAddress", "10.#.@.2"}, {"MTU", "1500"}}},
    {"TVK_UserAccount", "user#", 20, {{"UID", "100#"}, {"HomeDirectory", "/home/user#"}, {"Shell", "/bin/bash"}}},
    {"TVK_PCIDevice", "0000:00:#.0", 60, {{"VendorID", "8086"}, {"DeviceID", "29c#"}, {"Driver", "pcieport"}}},
};

std::string Fill(std::string text, int machine, int instance) {
  for (size_t at; (at = text.find('#')) != std::string::npos;) text.replace(at, 1, std::to_string(instance));
  for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, std::to_string(machine));
  return text;
}

TrkInventoryHeaderT Header(int machine, bool changed) {
  TrkInventoryHeaderT h;
  h.version = "9.2.0.1";
  h.inventoryType = "Machine";
  h.machineId = "host" + std::to_string(machine);
  h.fullQualifiedDomainName = h.machineId + ".example.org";
  h.userId = "root";
  h.expectHardware = h.expectSoftware = true;
  h.dateTime = changed ? "20261202T080000" : "20261201T080000";
  h.generation = "1";
  return h;
}

// A generated inventory that cannot be built is a broken benchmark.
void Must(hx::ResultT rc) {
  if (hx::Failed(rc)) {
    std::fprintf(stderr, "bench: building an inventory failed (0x%08x)\n", static_cast<unsigned>(rc));
    std::exit(1);
  }
}

// One machine's inventory; `changed` moves 1% of it: every 100th package to a new version and
// the first volume's free space.
RefM<TrkInventoryC> Machine(int m, const ShapeT& shape, bool changed) {
  RefM<TrkInventoryC> inv = TrkInventoryC::New();
  Must(inv->AddRootAttributes(Header(m, changed)));
  int made = 0;
  for (const ClassT& c : c_Classes) {
    for (int i = 0; i < c.count && made < shape.hardware; ++i, ++made) {
      auto hw = TrkTrackC::AddClass(inv.get(), c.cls, Fill(c.name, m, i), "OS API");
      for (const auto& [name, value] : c.props)
        Must(hw->AddProperty(name, Fill(value, m, i) + (changed && made == 2 && name[0] == 'F' ? "1" : ""), "", false));
    }
  }
  for (int p = 0; p < shape.packages + (m < c_RareMachines ? 1 : 0); ++p) {
    const bool rare = p == shape.packages;
    const std::string name = rare ? c_Rare : std::string(c_Stems[p % c_StemCount]) + c_Suffixes[p / c_StemCount % 25];
    auto pkg = TrkTrackC::AddPackage(inv.get(), name, "DEB");
    const int update = 1 + (m / 7 + p) % 3 + (changed && p % 100 == 0 ? 10 : 0);
    Must(pkg->Add("Version", std::to_string(p % 9 + 1) + "." + std::to_string(p % 13) + "." + std::to_string(p % 7) +
                                 "-" + std::to_string(1 + p % 3) + "+deb12u" + std::to_string(update)));
    Must(pkg->Add("InstallDate", "2026-10-" + std::to_string(10 + p % 19) + "T08:" + std::to_string(10 + m % 50) + ":00"));
    Must(pkg->AddProperty("Architecture", p % 5 ? "amd64" : "all", "", false));
    Must(pkg->AddProperty("Section", p % 2 ? "libs" : "utils", "", false));
    Must(pkg->AddProperty("InstalledSize", std::to_string(100 + p * 37 % 9000), "", false));
  }
  return inv;
}

void Save(TrkInventoryC* inv, const std::string& path) {
  const FileNameC name(path);
  if (XmlSaveFile(&name, inv) != hx::RC_OK) std::abort();
}

std::string WriteFleet(const BenchDirC& dir, const std::string& name, int machines, const ShapeT& shape) {
  const std::string inbox = dir.File(name);
  Shell("mkdir " + inbox);
  for (int m = 0; m < machines; ++m) Save(Machine(m, shape, false).get(), inbox + "/host" + std::to_string(m) + ".hxi");
  return inbox;
}

std::string Scalar(const std::string& db, const std::string& sql) {
  std::string out;
  std::FILE* p = ::popen(("sqlite3 " + db + " \"" + sql + "\"").c_str(), "r");
  for (int c; p != nullptr && (c = std::fgetc(p)) != EOF;) out += c == '\n' ? ' ' : static_cast<char>(c);
  if (p != nullptr) ::pclose(p);
  return out;
}

// The program's ingest: seconds on the clock and of the processor.
std::pair<double, double> ProgramIngest(const std::string& inbox, const std::string& db) {
  hxbench::ChildResultT r;
  const double wall = hxbench::Seconds([&] { r = hxbench::RunChild({c_Collector, "ingest", inbox, "--db", db}, {}, true); });
  if (!r.ok) std::fprintf(stderr, "hxcollect ingest %s failed\n", inbox.c_str());
  return {wall, r.cpuSeconds};
}

void IngestAgainstShell(const BenchDirC& dir, int machines) {
  const std::string inbox = WriteFleet(dir, "fleet", machines, ShapeT());
  uintmax_t bytes = 0;
  for (const auto& e : std::filesystem::directory_iterator(inbox)) bytes += e.file_size();
  std::printf("\n1. ingest of %d machines (%ju bytes of inventories), load %s\n", machines, bytes, LoadAverage().c_str());
  const std::string ours = dir.File("ours.db"), ref = dir.File("ref.db");
  const auto [wall, cpu] = ProgramIngest(inbox, ours);
  const char* tables[][2] = {{"chains", "*"}, {"documents", "*"},
                             {"item_versions", "id, chain, flat, deep, ordinal, tag, xml, first_doc"},
                             {"packages", "*"}, {"files", "*"}, {"hardware", "*"}};
  std::string script = std::string(".bail on\n") + hxc::c_SqliteSettings + "BEGIN;\n";
  for (const auto& t : tables) {
    Shell("sqlite3 -csv " + ours + " 'SELECT " + t[1] + " FROM " + t[0] + "' > " + dir.File(t[0]) + ".csv");
    script += std::string(".import --csv ") + dir.File(t[0]) + ".csv " + t[0] + "\n";
  }
  std::ofstream(dir.File("ref.sql")) << script << "COMMIT;\n";
  Shell(c_Collector + " machines --db " + ref + " > /dev/null");  // the collector's schema, empty
  hxbench::ChildResultT r;
  const double refWall = hxbench::Seconds([&] {
    r = hxbench::RunChild({"/bin/sh", "-c", "sqlite3 " + ref + " < " + dir.File("ref.sql") + " > /dev/null 2> " + dir.File("ref.err")});
  });
  if (!r.ok) std::fprintf(stderr, "the sqlite3 shell failed: see %s\n", dir.File("ref.err").c_str());
  const std::string count = "SELECT COUNT(*) FROM item_versions; SELECT COUNT(*) FROM packages; SELECT COUNT(*) FROM hardware";
  std::printf("rows (items, packages, hardware): hxcollect %s, sqlite3 %s; applied %s; retired items %s\n",
              Scalar(ours, count).c_str(), Scalar(ref, count).c_str(),
              Scalar(ours, "SELECT COUNT(*) FROM documents WHERE outcome = 'applied'").c_str(),
              Scalar(ours, "SELECT COUNT(*) FROM item_versions WHERE last_doc IS NOT NULL").c_str());
  std::printf("hxcollect ingest:          %8.2f s (processor %8.2f s), %.1f ms a machine\n", wall, cpu, wall * 1e3 / machines);
  std::printf("sqlite3 .import (CSV):     %8.2f s (processor %8.2f s)\n", refWall, r.cpuSeconds);
  std::printf("ratio (target <= 2.5):     %8.2f (processor %.2f), load %s\n", wall / refWall, cpu / r.cpuSeconds, LoadAverage().c_str());
  Shell("rm -rf " + inbox + " " + dir.File("*.csv") + " " + ref + "* " + ours + "*");
}

double ProcessCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// One ingest pass, in process, over a directory holding copies of `files`, into a copy of
// `base` (or a fresh database): its seconds on the clock (and of the processor, in *cpu), the
// database opened before the clock starts.
double PassSeconds(double* cpu, const BenchDirC& dir, const std::string& base, const std::vector<std::string>& files) {
  const std::string db = dir.File("run.db"), inbox = dir.File("run-in");
  std::string copy = "rm -rf " + inbox + " " + db + "* && mkdir " + inbox + " && cp";
  for (const std::string& f : files) copy += " " + f;
  Shell(copy + " " + inbox + "/" + (base.empty() ? "" : " && cp " + base + " " + db));
  std::string why;
  std::unique_ptr<hxc::SqlDbI> sql = hxc::OpenSqlite(db, &why);
  if (sql == nullptr || hx::Failed(hxc::EnsureSchema(*sql, &why))) std::abort();
  hxc::PassCountsT counts;
  const double cpuStart = ProcessCpu();
  const double t = hxbench::Seconds([&] {
    HX_IGNORE_RESULT(hxc::IngestPass(*sql, inbox, hxc::IngestDirOptionsT(), [](const std::string&) {}, &counts, &why));
  });
  *cpu = ProcessCpu() - cpuStart;
  if (counts.applied != files.size()) {
    std::fprintf(stderr, "%zu of %zu documents were applied\n", counts.applied, files.size());
    std::exit(1);
  }
  return t;
}

// Machine m's base, its changed inventory and the delta between them, written in `dir`.
struct ChangedMachineT {
  std::string base, full, delta;
};

ChangedMachineT WriteChangedMachine(const BenchDirC& dir, int m) {
  const std::string stem = dir.File("m" + std::to_string(m));
  ChangedMachineT made{stem + "-base.hxi", stem + "-full.hxi", stem + "-delta.hxi"};
  Save(Machine(m, ShapeT(), false).get(), made.base);
  Save(Machine(m, ShapeT(), true).get(), made.full);
  TrkInventoryC* delta = nullptr;
  if (Machine(m, ShapeT(), true)->GenerateDiff(FileNameC(made.base), Header(m, true), &delta) != hx::RC_OK) std::abort();
  Save(RefM<TrkInventoryC>::Adopt(delta).get(), made.delta);
  return made;
}

// The database holding the bases of the machines, made once.
std::string BaseDatabase(const BenchDirC& dir, const std::vector<ChangedMachineT>& machines) {
  const std::string db = dir.File("base.db"), inbox = dir.File("base-in");
  std::string copy = "mkdir " + inbox + " && cp";
  for (const ChangedMachineT& m : machines) copy += " " + m.base;
  Shell(copy + " " + inbox + "/");
  std::string why;
  auto sql = hxc::OpenSqlite(db, &why);
  hxc::PassCountsT counts;
  if (sql == nullptr || hx::Failed(hxc::EnsureSchema(*sql, &why)) ||
      !hxc::IngestPass(*sql, inbox, hxc::IngestDirOptionsT(), [](const std::string&) {}, &counts, &why))
    std::abort();
  return db;
}

struct TimesT {
  double wall = 0, cpu = 0;
};

// Medians, per document, of passes over `cases` (each a database to start from and the files
// to take), the cases alternating run by run.
std::vector<TimesT> PerDocument(const BenchDirC& dir, const std::vector<std::pair<std::string, std::vector<std::string>>>& cases,
                                int runs) {
  std::vector<std::vector<double>> wall(cases.size()), cpu(cases.size());
  for (int i = 0; i <= runs; ++i) {
    for (size_t k = 0; k < cases.size(); ++k) {
      double c = 0;
      const double w = PassSeconds(&c, dir, cases[k].first, cases[k].second);
      if (i == 0) continue;  // the first round warms the caches
      wall[k].push_back(w / static_cast<double>(cases[k].second.size()));
      cpu[k].push_back(c / static_cast<double>(cases[k].second.size()));
    }
  }
  std::vector<TimesT> out;
  for (size_t k = 0; k < cases.size(); ++k) out.push_back({hxbench::MedianOf(wall[k]), hxbench::MedianOf(cpu[k])});
  return out;
}

void PrintAgainst(const char* what, const TimesT& t, const TimesT& delta) {
  std::printf("%-34s %8.2f ms (processor %7.2f ms)  ratio %6.2f (processor %6.2f)\n", what, t.wall * 1e3, t.cpu * 1e3,
              t.wall / delta.wall, t.cpu / delta.cpu);
}

void DeltaAgainstFull(const BenchDirC& dir) {
  const int count = EnvInt("HXBENCH_DELTA_MACHINES", 100);
  std::vector<ChangedMachineT> machines;
  for (int m = 0; m < count; ++m) machines.push_back(WriteChangedMachine(dir, m));
  const std::string base = BaseDatabase(dir, machines);
  std::vector<std::string> deltas, fulls;
  for (const ChangedMachineT& m : machines) {
    deltas.push_back(m.delta);
    fulls.push_back(m.full);
  }
  std::printf("\n2. 1%% of a machine changed (%lld-byte delta, %lld-byte inventory), load %s\n",
              static_cast<long long>(hxbench::FileSize(deltas[0])), static_cast<long long>(hxbench::FileSize(fulls[0])),
              LoadAverage().c_str());
  // What a collector serving the fleet does: the deltas of many machines in a pass, over a
  // database holding their bases, against the same machines' changed inventories instead.
  const std::vector<TimesT> fleet = PerDocument(dir, {{base, deltas}, {base, fulls}, {"", fulls}}, hxbench::c_Runs);
  std::printf("%d machines in a pass, per document, medians of %d:\n", count, hxbench::c_Runs);
  std::printf("%-34s %8.2f ms (processor %7.2f ms)\n", "delta over its base", fleet[0].wall * 1e3, fleet[0].cpu * 1e3);
  PrintAgainst("inventory over its base", fleet[1], fleet[0]);
  std::printf("%-34s (target >= 10)\n", "");
  PrintAgainst("inventory, fresh database", fleet[2], fleet[0]);
  // One document alone in its pass: the commit's wait for the disk and the pass's own work
  // (its folders, its listing) are all the delta's.
  const std::vector<TimesT> alone =
      PerDocument(dir, {{base, {deltas[0]}}, {base, {fulls[0]}}, {"", {fulls[0]}}}, hxbench::c_Runs * 2);
  std::printf("one document alone in its pass, medians of %d, load %s:\n", hxbench::c_Runs * 2, LoadAverage().c_str());
  std::printf("%-34s %8.2f ms (processor %7.2f ms)\n", "delta over its base", alone[0].wall * 1e3, alone[0].cpu * 1e3);
  PrintAgainst("inventory over its base", alone[1], alone[0]);
  PrintAgainst("inventory, fresh database", alone[2], alone[0]);
}

struct AnswerT {
  double program = 0, inProcess = 0;
  size_t rows = 0;
};

AnswerT PackagesAt(const BenchDirC& dir, int machines, const ShapeT& shape) {
  const std::string inbox = WriteFleet(dir, "scale" + std::to_string(machines), machines, shape);
  const std::string db = dir.File("scale" + std::to_string(machines) + ".db");
  const double ingest = ProgramIngest(inbox, db).first;
  Shell("rm -rf " + inbox);
  AnswerT a;
  a.program = hxbench::Median([&] { Shell(c_Collector + " packages " + c_Rare + " --db " + db + " > /dev/null"); });
  std::string why;
  auto sql = hxc::OpenSqlite(db, &why);
  a.inProcess = hxbench::Median([&] {
    for (int i = 0; i < 100; ++i) {
      hxc::TableT t;
      hxc::AskPackages(*sql, c_Rare, "", &t, &why);
      a.rows = t.rows.size();
    }
  }) / 100;
  std::printf("%5d machines (ingest %7.1f s, %lld-byte database): program %7.2f ms, in process %8.3f ms, %zu rows\n",
              machines, ingest, static_cast<long long>(hxbench::FileSize(db)), a.program * 1e3, a.inProcess * 1e3, a.rows);
  return a;
}

void PackagesGrowth(const BenchDirC& dir) {
  const ShapeT shape{EnvInt("HXBENCH_SCALE_PACKAGES", 1000), EnvInt("HXBENCH_SCALE_HARDWARE", 100)};
  std::printf("\n3. hxcollect packages %s (on %d machines) at %d packages and %d hardware instances a machine, load %s\n",
              c_Rare, c_RareMachines, shape.packages, shape.hardware, LoadAverage().c_str());
  const AnswerT small = PackagesAt(dir, 500, shape), large = PackagesAt(dir, 5000, shape);
  std::printf("growth 500 -> 5,000 (target < 2): program %.2f, in process %.2f\n", large.program / small.program,
              large.inProcess / small.inProcess);
}

void Hostile(const BenchDirC& dir) {
  std::printf("\n4. hostile documents, each through the program under %s, load %s\n", collecthostile::c_AddressSpace,
              LoadAverage().c_str());
  Shell("mkdir " + dir.File("made"));
  for (const collecthostile::HostileT& h : collecthostile::HostileSet(dir.File("made"))) {
    const std::string inbox = dir.File("in-" + h.name);
    Shell("mkdir " + inbox + " && cp " + h.path + " " + inbox + "/" + h.name);
    const collecthostile::CappedRunT run = collecthostile::IngestCapped(inbox, dir.File(h.name + ".db"));
    std::string why;
    std::getline(std::ifstream(inbox + "/rejected/" + h.name + ".why"), why);
    std::printf("%-34s %6.3f s %7ld KB %-6s %s %s\n", h.name.c_str(), run.seconds, run.maxRssKb,
                run.exitedZero ? "exit 0" : "FAILED", run.seconds < 1 ? "" : "OVER 1 s",
                why.empty() ? "(not rejected)" : why.substr(0, 70).c_str());
  }
}

}  // namespace

// HXBENCH_PARTS names the parts to run ("1234" when unset).
int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  BenchDirC dir("hxcollectbench");
  const char* env = std::getenv("HXBENCH_PARTS");
  const std::string parts = env != nullptr ? env : "1234";
  std::printf("hxcollect benchmark, %ld processors, load %s\n", sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str());
  if (parts.find('4') != std::string::npos) Hostile(dir);
  if (parts.find('2') != std::string::npos) DeltaAgainstFull(dir);
  if (parts.find('1') != std::string::npos) IngestAgainstShell(dir, EnvInt("HXBENCH_MACHINES", 1000));
  if (parts.find('3') != std::string::npos) PackagesGrowth(dir);
  return 0;
}
