#pragma once
// PackageDbC: the package database, a constant database (cdb) file that maps every path an
// installed package owns to a short record of that package (PackageRecord.h), so that the
// file scan can name the product a tracked file belongs to with one lookup.
//
// A build writes the records of the configured package types into "<path>.tmp", then renames
// it over the database (after synchronising it to the disk): readers, in this run or the next,
// see the old database or the new one, never a half-written one. "<path>.lock", locked
// exclusively, keeps two processes from building at once; the second one waits (bounded) for
// the first to finish and then gives up with MSG_PKGDB_BUSY. The file is readable by the
// standard cdb tools.

#include <cstdint>
#include <memory>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/files/SafeFile.h"
#include "packages/model/PackageInfo.h"

struct cdb;
struct cdb_make;

class PackageDbC {
 public:
  static constexpr const char* c_TempSuffix = ".tmp";
  static constexpr const char* c_LockSuffix = ".lock";
  // How long a second builder waits for the first, by default.
  static constexpr int c_DefaultLockWaitSeconds = 3600;

  explicit PackageDbC(StringC path, int lockWaitSeconds = c_DefaultLockWaitSeconds);
  ~PackageDbC();
  PackageDbC(const PackageDbC&) = delete;
  PackageDbC& operator=(const PackageDbC&) = delete;

  const StringC& path() const { return path_; }

  // Builds the database for a comma-separated list of type names, in their order. 0, or the
  // first failure (reported through the error buffer). A type that fails still leaves the
  // records of the types before it in the new database; only a failure to lock, create or start
  // the temporary file leaves the previous database in place.
  HX_NODISCARD hx::ResultT buildDatabase(const StringC& types);
  // The package that owns path (the first one stored for it), new for the caller. 0;
  // trk::RC_PKGDB_NOT_FOUND (no message) when no package of a known kind owns it; or a failure.
  // The database is opened by the first query and stays open.
  HX_NODISCARD hx::ResultT packageFromPath(std::string_view path, std::unique_ptr<PackageInfoC>* package);

  // The records of the types written into an open, empty, seekable file: the build without
  // lock, temporary file and rename.
  HX_NODISCARD hx::ResultT writeDatabase(const StringC& types, int fd);
  // The type names of a list: split at ",", each trimmed of blanks; an empty text gives none,
  // an empty item stays (and names no type).
  static StringArrayC SplitTypes(const StringC& types);

 private:
  HX_NODISCARD hx::ResultT writeRecords(const StringC& types, int fd, bool* complete);
  HX_NODISCARD hx::ResultT takeLock(hx::UniqueFdC* lock);
  HX_NODISCARD hx::ResultT waitForOtherBuilder(hx::UniqueFdC& lock);
  HX_NODISCARD hx::ResultT addPackagesOfType(cdb_make& maker, const StringC& type);
  HX_NODISCARD hx::ResultT openForQueries();

  StringC path_;
  int lockWaitSeconds_;
  hx::UniqueFdC readFd_;
  std::unique_ptr<cdb> reader_;
  hx::ResultT openFailure_ = hx::RC_OK;  // a failed open is reported once
};
