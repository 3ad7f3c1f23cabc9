// The package database: a build of 300,000 paths (3,000 packages of 100 files) against the cdb
// tool building the same records in the same run (`cdb -c`, from a file in its input format
// written beforehand), then 300,000 lookups by path against bare constant-database lookups of
// the same keys.
//
//   build/bin/bench_package_db
//
// Neither build synchronises its file to the disk: cdb -c never does, and the database build
// does it only when it renames the new file into place, which is timed apart (the full
// buildDatabase, with its lock and its synchronised rename, beside the build without them).
// One core (the program pins itself to CPU 0), warm cache, medians of five alternating pairs.

#include <cdb.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "foundation/files/SafeFile.h"
#include "packages/db/PackageDb.h"
#include "packages/db/PackageKinds.h"
#include "packages/listers/PackageLister.h"

namespace {

using hxbench::c_Runs;
using hxbench::MedianOf;
using hxbench::Seconds;
constexpr int c_Packages = 3000;
constexpr int c_FilesPerPackage = 100;
constexpr const char* c_Type = "BENCH";
constexpr const char* c_Cdb = "/usr/bin/cdb";

std::string PathOf(int package, int file) {
  char path[64];
  std::snprintf(path, sizeof path, "/opt/product%04d/lib/module%03d.so", package, file);
  return path;
}

// The packages of the benchmark, made afresh for every build (a lister hands each out once).
class BenchListerC : public PackageListerC {
 public:
  BenchListerC() : PackageListerC(trk::LISTER_FILE_LISTS) {}
  hx::ResultT startEnum() override {
    next_ = 0;
    return hx::RC_OK;
  }
  hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) override {
    if (next_ >= s_packages.size()) return trk::RC_PACKAGES_END;
    *package = std::move(s_packages[next_++]);
    return hx::RC_OK;
  }
  static void Prepare() {
    s_packages.clear();
    for (int p = 0; p < c_Packages; ++p) {
      auto package = std::make_unique<PackageInfoC>(c_Type);
      package->setName("SUNWproduct" + std::to_string(p));
      package->setVersion("11.10.0,REV=2005.01.21." + std::to_string(p % 100));
      for (int f = 0; f < c_FilesPerPackage; ++f) package->files().push_back(PathOf(p, f));
      s_packages.push_back(std::move(package));
    }
  }
  static std::vector<std::unique_ptr<PackageInfoC>> s_packages;

 private:
  size_t next_ = 0;
};
std::vector<std::unique_ptr<PackageInfoC>> BenchListerC::s_packages;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "failed: %s\n", what);
  std::exit(1);
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::string x, y;
  return hx::Succeeded(hx::ReadFileNoFollow(a, &x)) && hx::Succeeded(hx::ReadFileNoFollow(b, &y)) && x == y;
}

bool Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  return posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 && waitpid(pid, &status, 0) == pid &&
         WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The records in the cdb tool's input form: "+klen,dlen:key->data" lines and an empty line.
void WriteCdbInput(const std::string& path) {
  BenchListerC::Prepare();
  std::string text;
  for (const auto& package : BenchListerC::s_packages) {
    const std::string record = package->serialise();
    for (const std::string& file : package->files())
      text += "+" + std::to_string(file.size()) + "," + std::to_string(record.size()) + ":" + file + "->" + record + "\n";
  }
  text += "\n";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
    Fail("writing the cdb input");
}

// The build without lock and synchronised rename: the records into a new temporary file,
// renamed into place, as cdb -c does it.
void BuildUnsynced(PackageDbC& db, const std::string& path) {
  const std::string temp = path + ".tmp";
  ::unlink(temp.c_str());
  const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  const hx::ResultT r = fd < 0 ? hx::RC_FAIL : db.writeDatabase(c_Type, fd);
  if (fd < 0 || hx::Failed(r) || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0)
    Fail("writeDatabase");
}

}  // namespace

int main() {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  if (sched_setaffinity(0, sizeof one, &one) != 0) std::perror("sched_setaffinity");
  if (::access(c_Cdb, X_OK) != 0) {
    std::fprintf(stderr, "%s is missing: scripts/setup.sh installs it (tinycdb)\n", c_Cdb);
    return 1;
  }
  hxbench::BenchDirC dir("hxpkgdbbench");
  trk::ScopedPackageKindC kind(trk::PackageKindT{c_Type, [] { return std::make_unique<PackageInfoC>(c_Type); },
                                                [](uint32_t) { return std::make_unique<BenchListerC>(); }});
  const std::string input = dir.File("records.cdbmake");
  WriteCdbInput(input);
  const std::string ours = dir.File("packagedb.cdb"), theirs = dir.File("tool.cdb");
  PackageDbC db(ours);

  std::vector<double> build, tool, ratios, full;
  for (int i = 0; i <= c_Runs; ++i) {
    BenchListerC::Prepare();
    const double a = Seconds([&] { BuildUnsynced(db, ours); });
    const double b = Seconds([&] {
      if (!Run({c_Cdb, "-c", "-t", theirs + ".tmp", theirs, input})) Fail("cdb -c");
    });
    BenchListerC::Prepare();
    const double c = Seconds([&] {
      if (hx::Failed(db.buildDatabase(c_Type))) Fail("buildDatabase");
    });
    if (i == 0) continue;  // the first round warms the cache
    build.push_back(a);
    tool.push_back(b);
    ratios.push_back(a / b);
    full.push_back(c);
  }

  // Lookups of every path, in an order unrelated to the build's.
  std::vector<std::string> keys;
  for (int p = 0; p < c_Packages; ++p)
    for (int f = 0; f < c_FilesPerPackage; ++f) keys.push_back(PathOf(p, f));
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  PackageDbC reader(ours);
  struct cdb bare;
  const int fd = ::open(ours.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || cdb_init(&bare, fd) != 0) Fail("cdb_init");
  std::vector<double> lookups, bareLookups;
  size_t found = 0, bareFound = 0;
  for (int i = 0; i <= c_Runs; ++i) {
    size_t hits = 0, bareHits = 0;
    const double a = Seconds([&] {
      std::unique_ptr<PackageInfoC> package;
      for (const std::string& k : keys) hits += hx::Succeeded(reader.packageFromPath(k, &package)) ? 1 : 0;
    });
    const double b = Seconds([&] {
      for (const std::string& k : keys) bareHits += cdb_find(&bare, k.data(), static_cast<unsigned>(k.size())) > 0 ? 1 : 0;
    });
    found = hits;
    bareFound = bareHits;
    if (i == 0) continue;
    lookups.push_back(a);
    bareLookups.push_back(b);
  }
  cdb_free(&bare);
  ::close(fd);

  const double records = static_cast<double>(keys.size());
  BenchListerC::Prepare();
  BuildUnsynced(db, ours);
  std::printf("\n%zu paths of %d packages, database %.1f MB, %s the file cdb -c makes of the same records\n",
              keys.size(), c_Packages, hxbench::FileSize(ours) / 1048576.0,
              SameBytes(ours, theirs) ? "byte for byte" : "NOT");
  std::printf("build, no sync:          %7.3f s    cdb -c: %7.3f s    ratio %.3f (target <= 1.50)\n", MedianOf(build),
              MedianOf(tool), MedianOf(ratios));
  std::printf("buildDatabase with lock and synchronised rename: %7.3f s (the sync and lock: %+.3f s)\n", MedianOf(full),
              MedianOf(full) - MedianOf(build));
  std::printf("lookups: %zu and %zu of %zu found; packageFromPath %.2f us each (%.3f s), bare cdb_find %.2f us each\n",
              found, bareFound, keys.size(), MedianOf(lookups) / records * 1e6, MedianOf(lookups),
              MedianOf(bareLookups) / records * 1e6);
  return 0;
}
