#include "foundation/files/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "foundation/core/Nodiscard.h"

namespace hx {

namespace {

constexpr int c_UniqueAttempts = 100;
constexpr size_t c_ReadChunk = 64 * 1024;
constexpr const char c_UniqueChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr const char* c_TempSuffix = ".tmp";

HX_NODISCARD ResultT LastError() { return RcFromErrno(errno); }

std::string UniquePart() {
  thread_local std::mt19937_64 s_Random(std::random_device{}() ^ (static_cast<uint64_t>(::getpid()) << 32) ^
                                        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<size_t> pick(0, sizeof c_UniqueChars - 2);
  std::string unique(c_UniqueLength, ' ');
  for (char& c : unique) c = c_UniqueChars[pick(s_Random)];
  return unique;
}

// The descriptor must be a regular file; anything else is EISDIR (a directory) or EINVAL (a
// device, a FIFO) and the descriptor is closed.
HX_NODISCARD ResultT RequireRegular(UniqueFdC& fd) {
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return LastError();
  if (S_ISREG(st.st_mode)) return RC_OK;
  fd.reset();
  return RcFromErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
}

std::string Join(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  return dir.back() == '/' ? dir + std::string(name) : dir + "/" + std::string(name);
}

}  // namespace

UniqueFdC& UniqueFdC::operator=(UniqueFdC&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int UniqueFdC::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFdC::reset(int fd) {
  if (fd_ >= 0) HX_IGNORE_RESULT(::close(fd_));  // nothing written through it is waited for
  fd_ = fd;
}

ResultT UniqueFdC::close() {
  if (fd_ < 0) return RC_OK;
  const int rc = ::close(release());
  return rc == 0 ? RC_OK : LastError();
}

ResultT WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) return RcFromErrno(EIO);
    data.remove_prefix(static_cast<size_t>(n));
  }
  return RC_OK;
}

ResultT ReadAll(int fd, std::string* out, size_t limit) {
  std::string data;
  char buffer[c_ReadChunk];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) break;
    if (static_cast<size_t>(n) > limit - data.size()) return RcFromErrno(EFBIG);
    data.append(buffer, static_cast<size_t>(n));
  }
  *out = std::move(data);
  return RC_OK;
}

ResultT OpenForReading(const std::string& path, UniqueFdC* fd) {
  fd->reset(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd->valid()) return LastError();
  const ResultT rc = RequireRegular(*fd);
  if (Failed(rc)) return rc;
  // Reads of a regular file never block; the flag only had to keep a FIFO from stalling open.
  const int flags = ::fcntl(fd->get(), F_GETFL);
  if (flags >= 0) HX_IGNORE_RESULT(::fcntl(fd->get(), F_SETFL, flags & ~O_NONBLOCK));
  return RC_OK;
}

ResultT OpenSeenFile(int dirFd, const std::string& name, dev_t device, ino_t inode, UniqueFdC* fd, struct stat* st) {
  const auto seen = [device, inode](const struct stat& now) {
    return S_ISREG(now.st_mode) ? (now.st_dev == device && now.st_ino == inode ? RC_OK : RcFromErrno(ESTALE))
                                : RcFromErrno(EINVAL);
  };
  // Looked at first, so that nothing but the file the walk saw is ever opened: opening some
  // devices does something.
  if (::fstatat(dirFd, name.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
  ResultT rc = seen(*st);
  if (Failed(rc)) return rc;
  fd->reset(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd->valid()) return LastError();
  rc = ::fstat(fd->get(), st) == 0 ? seen(*st) : LastError();
  if (Failed(rc)) fd->reset();
  return rc;
}

ResultT ReadFileNoFollow(const std::string& path, std::string* out, size_t limit) {
  UniqueFdC fd;
  const ResultT rc = OpenForReading(path, &fd);
  return Failed(rc) ? rc : ReadAll(fd.get(), out, limit);
}

ResultT OpenForWriting(const std::string& path, int extraFlags, mode_t mode, UniqueFdC* fd) {
  fd->reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | extraFlags, mode));
  if (!fd->valid()) return LastError();
  return RequireRegular(*fd);
}

ResultT CreateExclusive(const std::string& path, mode_t mode, UniqueFdC* fd) {
  return CreateExclusiveAt(AT_FDCWD, path, mode, fd);
}

ResultT CreateExclusiveAt(int dirFd, const std::string& path, mode_t mode, UniqueFdC* fd) {
  fd->reset(::openat(dirFd, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  return fd->valid() ? RC_OK : LastError();
}

ResultT CreateUnique(const std::string& dir, std::string_view prefix, std::string_view suffix, std::string* name,
                     UniqueFdC* fd, mode_t mode) {
  return CreateUniqueAt(AT_FDCWD, dir, prefix, suffix, name, fd, mode);
}

ResultT CreateUniqueAt(int dirFd, const std::string& dir, std::string_view prefix, std::string_view suffix,
                       std::string* name, UniqueFdC* fd, mode_t mode) {
  ResultT rc = RcFromErrno(EEXIST);
  for (int attempt = 0; attempt < c_UniqueAttempts && ErrnoFromRc(rc) == EEXIST; ++attempt) {
    *name = Join(dir, std::string(prefix) + UniquePart() + std::string(suffix));
    rc = CreateExclusiveAt(dirFd, *name, mode, fd);
  }
  if (Failed(rc)) name->clear();
  return rc;
}

ResultT SyncDirectory(const std::string& dir) {
  UniqueFdC fd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return LastError();
  return ::fsync(fd.get()) == 0 ? RC_OK : LastError();
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsRegularFileNoFollow(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsUniquePart(std::string_view text) {
  return text.size() == c_UniqueLength && text.find_first_not_of(c_UniqueChars) == std::string_view::npos;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

ResultT AtomicFileC::Open(const std::string& target, mode_t mode, std::string_view namePrefix) {
  Abort();
  const size_t slash = target.rfind('/');
  const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::string dir = slash == std::string::npos ? std::string() : DirectoryOf(target);
  const std::string prefix = std::string(namePrefix) + base.substr(0, c_TempBaseMax) + ".";
  const ResultT rc = CreateUnique(dir, prefix, c_TempSuffix, &temp_, &fd_, mode);
  if (Failed(rc)) return rc;
  target_ = target;
  return RC_OK;
}

ResultT AtomicFileC::OpenFixed(const std::string& target, const std::string& temp, mode_t mode) {
  Abort();
  // A leftover of a save that died is ours (the directory is trusted): it goes, so that the
  // new file is created exclusively and no link or second name of another file is written.
  if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return LastError();
  const ResultT rc = CreateExclusive(temp, mode, &fd_);
  if (Failed(rc)) return rc;
  temp_ = temp;
  target_ = target;
  return RC_OK;
}

ResultT AtomicFileC::Commit(bool durable) {
  if (!fd_.valid()) return RC_INVALID_ARG;
  // The data is on the disk before its name is: a rename that reached the disk first would
  // leave an empty or short file under the name after a crash of the machine.
  ResultT rc = !durable || ::fsync(fd_.get()) == 0 ? RC_OK : LastError();
  const ResultT closed = fd_.close();
  if (Succeeded(rc)) rc = closed;
  if (Succeeded(rc) && ::rename(temp_.c_str(), target_.c_str()) != 0) rc = LastError();
  if (Failed(rc)) {
    Abort();
    return rc;
  }
  temp_.clear();
  // A directory that cannot be synchronised changes nothing for the process itself; the
  // file is in place either way.
  if (durable) HX_IGNORE_RESULT(SyncDirectory(DirectoryOf(target_)));
  return RC_OK;
}

void AtomicFileC::Abort() {
  fd_.reset();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace hx
