#pragma once
// TrkDigestPoolC: worker threads that read and hash tracked files while the walk goes on.
//
// The walk, the rules and every change to the inventory tree stay on the scan's own thread;
// a worker only opens a file (relative to a handle of the directory the walk found it in, with
// the same checks as TrkFileReaderC: no link, still the device and inode the walk saw), hashes
// it and stores the digest in its job. The scan hands jobs
// out in walk order and takes the digests back in that same order, so the document does not
// depend on which worker finished first.
//
// Most tracked files are small, and then the hand-over costs as much as the read: jobs are
// handed over in batches, a worker is woken only when one is idle, and the scan sees a finished
// job through an atomic flag without taking the lock. Cancel stops promptly: jobs not started
// are dropped and a worker reading a large file stops at its next buffer.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace trk {

// One file to hash, and its digest once done ("" when the file could not be read).
struct TrkDigestJobT {
  std::string path;                          // for the digest cache
  std::shared_ptr<const hx::UniqueFdC> dir;  // the directory's handle, shared by its files' jobs
  std::string name;                          // the file's name in it
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string digest;
  std::atomic<bool> done{false};  // set (release) once digest is final
};

class TrkDigestPoolC {
 public:
  // Jobs handed out and not yet taken back, at most.
  static constexpr size_t c_MaxOutstanding = 4096;
  // Jobs kept back and handed over together.
  static constexpr size_t c_Batch = 32;

  explicit TrkDigestPoolC(unsigned threads);
  ~TrkDigestPoolC();
  TrkDigestPoolC(const TrkDigestPoolC&) = delete;
  TrkDigestPoolC& operator=(const TrkDigestPoolC&) = delete;

  // The worker count for a DigestThreads value: the machine's cores when the value is 0 or
  // negative, never more than the cores, at least 1.
  static unsigned ThreadsFor(long wanted);

  // Queues a job (handed over with its batch). The pool keeps a pointer: the job must live
  // until it is done or the pool has been cancelled.
  void Submit(TrkDigestJobT* job);
  // Hands over the jobs kept back.
  void Flush();
  // Whether the job is done, without waiting.
  static bool IsDone(const TrkDigestJobT* job) { return job->done.load(std::memory_order_acquire); }
  // Waits up to `millis` for the job (handing over what is kept back first); true when done.
  HX_NODISCARD bool WaitFor(TrkDigestJobT* job, unsigned millis);
  // Drops the jobs not started and waits until no worker touches a job any more.
  void Cancel();

 private:
  void Work();

  std::vector<TrkDigestJobT*> batch_;  // the scan's thread only
  std::mutex lock_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<TrkDigestJobT*> queue_;
  unsigned busy_ = 0;
  unsigned idle_ = 0;
  bool waiting_ = false;  // the scan waits for a job
  bool stopping_ = false;
  std::atomic<bool> cancelled_{false};
  std::vector<std::thread> workers_;
  std::vector<char> ownBuffer_;  // the scan's thread's, when no worker could be started
};

}  // namespace trk
