#pragma once
// UnxFilckerC: the lock that serialises writers of one INI file across processes. It is an
// advisory record lock on a companion file (path + ".lck"), so a lock file left behind by a
// process that died holds nobody up: the kernel dropped the record lock with the process.
// Because the holder deletes the lock file when it lets go, a waiter may end up locking a file
// that is no longer on disk; the lock is only trusted when the file locked is still the one
// the path names (same device and inode).

#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/files/SafeFile.h"

class UnxFilckerC {
 public:
  static constexpr int c_Attempts = 20;
  static constexpr int c_RetryDelayMs = 1000;

  // `path` is the file to protect; the lock file is path + ".lck".
  explicit UnxFilckerC(StringC path);
  ~UnxFilckerC();
  UnxFilckerC(const UnxFilckerC&) = delete;
  UnxFilckerC& operator=(const UnxFilckerC&) = delete;

  const StringC& lockPath() const { return lockPath_; }
  bool held() const { return fd_.valid(); }

  // Takes the lock, trying c_Attempts times, RetryDelayMs() apart. Returns 0, or the
  // error-number result of the last failed attempt (EAGAIN while another process holds it).
  HX_NODISCARD hx::ResultT lock();
  HX_NODISCARD hx::ResultT lock(int attempts, int delayMs);
  // One attempt: open (creating, mode 0666) the lock file, ask for a non-blocking exclusive
  // write lock on all of it and check that the path still names the file locked.
  HX_NODISCARD hx::ResultT tryLock();
  // Deletes the lock file and closes it, which drops the lock. Nothing when not held.
  void unlock();

  // The pause between attempts of lock() (c_RetryDelayMs unless changed). Tests that make
  // processes contend for a lock shorten it; the number of attempts stays.
  static int RetryDelayMs();
  static void SetRetryDelayMs(int ms);

 private:
  StringC lockPath_;
  hx::UniqueFdC fd_;
};
