// The package listers against the tools that hold the same data, each pair in the same run:
//
// 1. The SVR4 database build: a machine (TARVOSKSYSROOT) with a contents file of 300,000 lines
//    for 2,000 packages and a pkginfo that prints their "pkginfo -l" entries; the database of
//    type SUNPKG built from them, beside `cdb -c` building the same records from a file in its
//    input form written beforehand (target <= 2x).
// 2. On a Debian host (skipped elsewhere): the package phase's work for type DEB (listing every
//    installed package with its properties into Package elements) beside `dpkg-query -W`
//    (target <= 1.5x), and the DEB database build beside `cat` of every .list file followed by
//    `cdb -c` of the same records (target <= 2x).
//
//   build/bin/bench_package_listers
//
// Neither side synchronises its file to the disk. Warm cache, medians of five runs each.

#include <fcntl.h>
#include <glob.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "inventory/TrkInventory.h"
#include "packages/db/PackageDb.h"
#include "packages/listers/svr4/Svr4Readers.h"
#include "packages/trackers/TrkTrackPkg.h"
#include "prefs/tracker/TrkUnixPreferences.h"

namespace {

constexpr int c_Packages = 2000;
constexpr int c_Lines = 300000;
constexpr const char* c_Cdb = "/usr/bin/cdb";
constexpr const char* c_DpkgInfo = "/var/lib/dpkg/info/";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "failed: %s\n", what);
  std::exit(1);
}

bool Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 && waitpid(pid, &status, 0) == pid &&
         WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
    Fail(path.c_str());
  ::chmod(path.c_str(), mode);
}

std::string CdbLine(const std::string& key, const std::string& data) {
  return "+" + std::to_string(key.size()) + "," + std::to_string(data.size()) + ":" + key + "->" + data + "\n";
}

// The build without lock and synchronised rename, into a fresh file.
void BuildUnsynced(const std::string& types, const std::string& path) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  PackageDbC db(path);
  if (fd < 0 || hx::Failed(db.writeDatabase(types, fd)) || ::close(fd) != 0) Fail("writeDatabase");
}

void Report(const char* what, double ours, const char* reference, double theirs, double target) {
  std::printf("%-34s %7.3f s   %-34s %7.3f s   ratio %.2f (target <= %.2f)\n", what, ours, reference, theirs,
              ours / theirs, target);
}

// A Solaris machine with 2,000 packages and 300,000 contents lines; returns the cdb input of
// the records the database gets from them.
std::string MakeSvr4Machine(const hxbench::BenchDirC& dir) {
  const std::string root = dir.File("machine");
  for (const char* d : {"", "/usr", "/usr/bin", "/var", "/var/sadm", "/var/sadm/install"})
    ::mkdir((root + d).c_str(), 0755);
  std::string contents, pkginfo, input;
  std::vector<std::string> records;
  for (int p = 0; p < c_Packages; ++p) {
    const std::string name = "SUNWpkg" + std::to_string(p);
    const std::string version = "11.10.0,REV=2005.01.21." + std::to_string(p % 100);
    pkginfo += "   PKGINST:  " + name + "\n      NAME:  Package " + name + "\n      ARCH:  i386\n   VERSION:  " +
               version + "\n    VENDOR:  Sun Microsystems, Inc.\n  INSTDATE:  Jan 05 2012 14:22\n\n";
    PackageInfoC info("SUNPKG");
    info.setName(name);
    info.setVersion(trk::svr4::ConvertVersion(version));
    records.push_back(info.serialise());
  }
  for (int line = 0; line < c_Lines; ++line) {
    const int p = line % c_Packages;
    const std::string path = "/opt/product" + std::to_string(p) + "/lib/module" + std::to_string(line) + ".so";
    contents += path + " f none 0555 root bin 18484 49483 1106333543 SUNWpkg" + std::to_string(p) + "\n";
  }
  // The records in the order the build adds them: package by package, each file in order.
  for (int p = 0; p < c_Packages; ++p) {
    for (int line = p; line < c_Lines; line += c_Packages)
      input += CdbLine("/opt/product" + std::to_string(p) + "/lib/module" + std::to_string(line) + ".so", records[p]);
  }
  WriteText(root + "/var/sadm/install/contents", contents);
  WriteText(dir.File("pkginfo.out"), pkginfo);
  WriteText(root + "/usr/bin/pkginfo", "#!/bin/sh\nexec cat " + dir.File("pkginfo.out") + "\n", 0755);
  return input + "\n";
}

void BenchSvr4(const hxbench::BenchDirC& dir) {
  const std::string input = dir.File("svr4.cdbmake");
  WriteText(input, MakeSvr4Machine(dir));
  ::setenv("TARVOSKSYSROOT", dir.File("machine").c_str(), 1);
  const double ours = hxbench::Median([&] { BuildUnsynced("SUNPKG", dir.File("svr4.cdb")); });
  const double theirs = hxbench::Median([&] {
    if (!Run({c_Cdb, "-c", "-t", dir.File("tool.tmp"), dir.File("tool.cdb"), input})) Fail("cdb -c");
  });
  ::unsetenv("TARVOSKSYSROOT");
  std::printf("SVR4: %d contents lines of %d packages, database %.1f MB\n", c_Lines, c_Packages,
              hxbench::FileSize(dir.File("svr4.cdb")) / 1048576.0);
  Report("SUNPKG database build", ours, "cdb -c, same records", theirs, 2.0);
}

void BenchDeb(const hxbench::BenchDirC& dir) {
  if (::access("/usr/bin/dpkg-query", X_OK) != 0) {
    std::printf("DEB: not a Debian host, skipped\n");
    return;
  }
  TrkUnixPreferencesC prefs;
  size_t packages = 0;
  const double phase = hxbench::Median([&] {
    RefM<TrkInventoryC> inventory = TrkInventoryC::New();
    TrkInventoryEntityC* root = inventory.get();
    TrkTrackPkgC step(prefs, TrkPackageHostT{});
    HX_IGNORE_RESULT(step.TrackPkgDatabase(root, "DEB"));
    packages = 0;
    for (TrkInventoryEntityC* e = root->GetFirstChild(); e != nullptr; e = e->GetNext()) ++packages;
  });
  const double query = hxbench::Median([&] {
    if (!Run({"sh", "-c", "dpkg-query -W > /dev/null"})) Fail("dpkg-query");
  });
  std::printf("DEB: %zu installed packages\n", packages);
  Report("DEB package phase", phase, "dpkg-query -W", query, 1.5);

  // The reference's records: every path of every .list file under the package's record.
  PackageDbC built(dir.File("deb.cdb"));
  BuildUnsynced("DEB", dir.File("deb.cdb"));
  glob_t lists;
  if (::glob((std::string(c_DpkgInfo) + "*.list").c_str(), 0, nullptr, &lists) != 0) Fail("glob");
  std::string input;
  std::vector<std::string> files;
  for (size_t i = 0; i < lists.gl_pathc; ++i) files.push_back(lists.gl_pathv[i]);
  ::globfree(&lists);
  for (const std::string& list : files) {
    std::string text;
    if (hx::Failed(hx::ReadFileNoFollow(list, &text))) continue;
    for (const std::string& path : hx::SplitLines(text)) {
      std::unique_ptr<PackageInfoC> owner;
      if (path.empty() || path == "/." || hx::Failed(built.packageFromPath(path, &owner))) continue;
      input += CdbLine(path, owner->serialise());
    }
  }
  WriteText(dir.File("deb.cdbmake"), input + "\n");
  const double ours = hxbench::Median([&] { BuildUnsynced("DEB", dir.File("deb.cdb")); });
  const double theirs = hxbench::Median([&] {
    if (!Run({"sh", "-c", "cat " + std::string(c_DpkgInfo) + "*.list > /dev/null && " + c_Cdb + " -c -t " +
                              dir.File("tool.tmp") + " " + dir.File("tool.cdb") + " " + dir.File("deb.cdbmake")}))
      Fail("cat | cdb -c");
  });
  std::printf("DEB: %zu file lists, database %.1f MB\n", files.size(), hxbench::FileSize(dir.File("deb.cdb")) / 1048576.0);
  Report("DEB database build", ours, "cat *.list; cdb -c", theirs, 2.0);
}

}  // namespace

int main() {
  if (::access(c_Cdb, X_OK) != 0) {
    std::fprintf(stderr, "%s is missing: scripts/setup.sh installs it (tinycdb)\n", c_Cdb);
    return 1;
  }
  hxbench::BenchDirC dir("hxpkglisters");
  // The Debian pair first: the runner forks, and a fork costs in proportion to the memory the
  // process holds, which the SVR4 data would inflate.
  BenchDeb(dir);
  BenchSvr4(dir);
  return 0;
}
