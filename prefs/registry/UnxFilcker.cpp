#include "prefs/registry/UnxFilcker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <utility>

#include "foundation/files/SafeFile.h"

namespace {

constexpr mode_t c_LockFileMode = 0666;

std::atomic<int> g_retryDelayMs{UnxFilckerC::c_RetryDelayMs};

void SleepMs(int ms) {
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace

UnxFilckerC::UnxFilckerC(StringC path) : lockPath_(std::move(path) + ".lck") {}

UnxFilckerC::~UnxFilckerC() { unlock(); }

hx::ResultT UnxFilckerC::tryLock() {
  if (held()) return hx::RC_OK;
  // Never through a link: a lock file is created where the configuration lives, and a link
  // there would make root create or lock a file of somebody else's choosing. The mode passes
  // the process's file-creation mask like every file hxtrack makes.
  hx::UniqueFdC owned;
  const hx::ResultT opened = hx::OpenForWriting(lockPath_, 0, c_LockFileMode, &owned);
  if (hx::Failed(opened)) return opened;
  const int fd = owned.get();

  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // the whole file, however it grows
  if (::fcntl(fd, F_SETLK, &fl) != 0) {
    return hx::RcFromErrno(errno == EACCES ? EAGAIN : errno);
  }

  // The previous holder may have deleted the file between our open and our lock; a lock on a
  // file that is no longer the one on disk protects nothing.
  struct stat locked {}, onDisk {};
  if (::fstat(fd, &locked) != 0 || ::stat(lockPath_.c_str(), &onDisk) != 0 || locked.st_dev != onDisk.st_dev ||
      locked.st_ino != onDisk.st_ino)
    return hx::RcFromErrno(EAGAIN);
  fd_ = std::move(owned);
  return hx::RC_OK;
}

int UnxFilckerC::RetryDelayMs() { return g_retryDelayMs.load(); }
void UnxFilckerC::SetRetryDelayMs(int ms) { g_retryDelayMs.store(ms < 0 ? 0 : ms); }

hx::ResultT UnxFilckerC::lock() { return lock(c_Attempts, RetryDelayMs()); }

hx::ResultT UnxFilckerC::lock(int attempts, int delayMs) {
  hx::ResultT rc = hx::RcFromErrno(EAGAIN);
  for (int i = 0; i < attempts; ++i) {
    if (i > 0) SleepMs(delayMs);
    rc = tryLock();
    if (hx::Succeeded(rc)) return rc;
  }
  return rc;
}

void UnxFilckerC::unlock() {
  if (!fd_.valid()) return;
  // Delete before closing: whoever locks the old file after our close sees that the path no
  // longer names it and tries again.
  ::unlink(lockPath_.c_str());
  fd_.reset();
}
