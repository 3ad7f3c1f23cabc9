#pragma once
// Debian packages (type "DEB"): the packages dpkg-query reports as installed, with the paths
// that dpkg's file list of each package holds. On a merged-/usr system (/bin a link to
// usr/bin, and so on) a path that dpkg lists under such a link is also owned under its /usr
// twin, where the file scan meets it.

#include <memory>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/process/CommandLine.h"
#include "packages/listers/PackageLister.h"
#include "packages/listers/deb/DebReaders.h"
#include "packages/model/PackageInfo.h"

namespace trk {
constexpr const char* c_DebPackageType = "DEB";
// dpkg's database of installed files, a fixed path of the machine.
constexpr const char* c_DpkgInfoDirectory = "/var/lib/dpkg/info/";
constexpr const char* c_DpkgListSuffix = ".list";
}  // namespace trk

class DEBPackageInfoC : public PackageInfoC {
 public:
  DEBPackageInfoC() : PackageInfoC(trk::c_DebPackageType) {}
};

class DEBPackageListerC : public PackageListerC {
 public:
  using PackageListerC::PackageListerC;

  // The command line that lists the packages.
  static CommandLineC Command();
  // Starts the query on a thread of its own, ahead of the lister (a whole run lasts about as
  // long as the query): the next startEnum takes what it printed instead of running it, and
  // writes the log lines it would have written. Nothing when a query ahead is already there.
  static void QueryAhead();
  // Waits for a query ahead that nobody took and drops it.
  static void DropQueryAhead();

  // Runs dpkg-query and keeps the installed packages (what it printed before a failure
  // included); with file lists, also finds which top-level directories are links into /usr.
  HX_NODISCARD hx::ResultT startEnum() override;
  HX_NODISCARD hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) override;

  // The packages to hand out (for the tests and the benchmark: a lister over given entries).
  void setPackages(std::vector<trk::deb::DebPackageT> packages);

 private:
  void readFileList(const trk::deb::DebPackageT& entry, PackageInfoC* package) const;

  std::vector<trk::deb::DebPackageT> packages_;
  std::vector<std::string> mergedDirs_;
  hx::UniqueFdC infoDir_;  // dpkg's file lists, for their dates
  size_t next_ = 0;
  hx::ResultT failure_ = hx::RC_OK;  // the tool's, handed on after its packages
};
