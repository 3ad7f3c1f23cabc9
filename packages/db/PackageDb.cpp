#include "packages/db/PackageDb.h"

#include <cdb.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "foundation/messages/Errors.h"
#include "packages/db/PackageDbMessages.h"
#include "packages/listers/PackageLister.h"
#include "packages/model/PackageRecord.h"

namespace {

using namespace trk;

constexpr mode_t c_DatabaseMode = 0644;
constexpr auto c_LockPoll = std::chrono::milliseconds(100);
// A lock file removed and made anew by another builder between our open and our lock is tried
// again this often before the build gives up.
constexpr int c_LockAttempts = 3;

bool SameFile(int fd, const std::string& path) {
  struct stat a, b;
  return ::fstat(fd, &a) == 0 && ::lstat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

hx::UniqueFdC OpenLockFile(const std::string& path) {
  return hx::UniqueFdC(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, c_DatabaseMode));
}

}  // namespace

PackageDbC::PackageDbC(StringC path, int lockWaitSeconds) : path_(std::move(path)), lockWaitSeconds_(lockWaitSeconds) {}

PackageDbC::~PackageDbC() {
  if (reader_) cdb_free(reader_.get());
}

StringArrayC PackageDbC::SplitTypes(const StringC& types) {
  StringArrayC out;
  if (types.empty()) return out;
  for (const std::string& t : hx::Split(types, ',')) out.push_back(hx::Trim(t));
  return out;
}

// ---- building ----

hx::ResultT PackageDbC::buildDatabase(const StringC& types) {
  const std::string lockPath = path_ + c_LockSuffix;
  hx::UniqueFdC lock;
  hx::ResultT r = takeLock(&lock);
  if (hx::Failed(r)) return r;

  hx::AtomicFileC file;
  r = file.OpenFixed(path_, path_ + c_TempSuffix, c_DatabaseMode);
  if (hx::Failed(r)) {
    r = Error(MSG_PKGDB_CREATE, TXT_PKGDB_CREATE, path_);
  } else {
    bool complete = false;
    r = writeRecords(types, file.fd(), &complete);
    // A database that holds the types before a failing one still replaces the old one; a file
    // that never became a database does not.
    if (complete && hx::Failed(file.Commit()) && hx::Succeeded(r)) r = Error(MSG_PKGDB_RENAME, TXT_PKGDB_RENAME, path_);
  }
  lock.reset();
  ::unlink(lockPath.c_str());
  return r;
}

hx::ResultT PackageDbC::takeLock(hx::UniqueFdC* lock) {
  const std::string lockPath = path_ + c_LockSuffix;
  for (int attempt = 0; attempt < c_LockAttempts; ++attempt) {
    *lock = OpenLockFile(lockPath);
    if (!lock->valid()) break;
    if (::flock(lock->get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) break;
      Error(MSG_PKGDB_BUSY, TXT_PKGDB_BUSY, path_);
      return waitForOtherBuilder(*lock);
    }
    // Locked; but a builder that finished meanwhile removes the file we opened, and a third
    // one may lock a new file under the same name: only the file at the name counts.
    if (SameFile(lock->get(), lockPath)) return hx::RC_OK;
  }
  lock->reset();
  return Error(MSG_PKGDB_CREATE, TXT_PKGDB_CREATE, path_);
}

hx::ResultT PackageDbC::waitForOtherBuilder(hx::UniqueFdC& lock) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(lockWaitSeconds_);
  while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return MSG_PKGDB_BUSY;
    std::this_thread::sleep_for(c_LockPoll);
  }
  lock.reset();
  ::unlink((path_ + c_LockSuffix).c_str());
  return MSG_PKGDB_BUSY;
}

hx::ResultT PackageDbC::writeDatabase(const StringC& types, int fd) {
  bool complete = false;
  return writeRecords(types, fd, &complete);
}

hx::ResultT PackageDbC::writeRecords(const StringC& types, int fd, bool* complete) {
  *complete = false;
  cdb_make maker;
  if (cdb_make_start(&maker, fd) != 0) return Error(MSG_PKGDB_OPERATION, TXT_PKGDB_OPERATION, path_);
  hx::ResultT r = hx::RC_OK;
  for (const StringC& type : SplitTypes(types)) {
    r = addPackagesOfType(maker, type);
    if (hx::Failed(r)) break;
  }
  *complete = cdb_make_finish(&maker) == 0;
  if (!*complete && hx::Succeeded(r)) r = Error(MSG_PKGDB_OPERATION, TXT_PKGDB_OPERATION, path_);
  return r;
}

hx::ResultT PackageDbC::addPackagesOfType(cdb_make& maker, const StringC& type) {
  std::unique_ptr<PackageListerC> lister = PackageListerC::NewPackageLister(type, LISTER_FILE_LISTS);
  if (!lister) return Error(MSG_PKGDB_LIST, TXT_PKGDB_LIST, type, path_);
  // A source whose tool failed part way still hands out what it had; its failure is then the
  // type's result.
  const hx::ResultT started = lister->startEnum();
  hx::ResultT r = hx::RC_OK;
  std::unique_ptr<PackageInfoC> package;
  StringArrayC files;
  while (hx::Succeeded(r = lister->getNext(&package))) {
    const std::string record = package->serialise();
    if (record.empty()) continue;
    // A lister that collected the owned paths handed them out with the package; only a package
    // without them is asked (which may mean running a tool).
    const StringArrayC* owned = &package->files();
    if (owned->empty()) {
      if (hx::Failed(package->getFileList(&files))) continue;
      owned = &files;
    }
    for (const StringC& file : *owned) {
      if (cdb_make_add(&maker, file.data(), static_cast<unsigned>(file.size()), record.data(),
                       static_cast<unsigned>(record.size())) != 0)
        return Error(MSG_PKGDB_ADD, TXT_PKGDB_ADD);
    }
  }
  if (hx::Failed(started)) return started;
  return r == RC_PACKAGES_END ? hx::RC_OK : r;
}

// ---- queries ----

hx::ResultT PackageDbC::openForQueries() {
  if (reader_) return hx::RC_OK;
  if (hx::Failed(openFailure_)) return openFailure_;
  auto reader = std::make_unique<cdb>();
  if (hx::Failed(hx::OpenForReading(path_, &readFd_)) || cdb_init(reader.get(), readFd_.get()) != 0) {
    readFd_.reset();
    return openFailure_ = Error(MSG_PKGDB_OPEN, TXT_PKGDB_OPEN, path_);
  }
  reader_ = std::move(reader);
  return hx::RC_OK;
}

hx::ResultT PackageDbC::packageFromPath(std::string_view path, std::unique_ptr<PackageInfoC>* package) {
  if (package == nullptr) return hx::RC_INVALID_ARG;
  package->reset();
  hx::ResultT r = openForQueries();
  if (hx::Failed(r)) return r;
  const int found = cdb_find(reader_.get(), path.data(), static_cast<unsigned>(path.size()));
  if (found == 0) return RC_PKGDB_NOT_FOUND;
  const void* data = found > 0 ? cdb_getdata(reader_.get()) : nullptr;
  PackageRecordT record;
  if (data == nullptr ||
      !DeserialisePackageRecord(std::string_view(static_cast<const char*>(data), cdb_datalen(reader_.get())), &record))
    return Error(MSG_PKGDB_OPERATION, TXT_PKGDB_OPERATION, path_);
  *package = PackageInfoC::NewPackage(record.type);
  if (!*package) return RC_PKGDB_NOT_FOUND;
  (*package)->setName(record.name);
  (*package)->setVersion(record.version);
  return hx::RC_OK;
}
