#include "software/TrkDigestPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "software/TrkFileReader.h"

namespace trk {

unsigned TrkDigestPoolC::ThreadsFor(long wanted) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  if (wanted <= 0) return cores;
  return static_cast<unsigned>(std::min<long>(wanted, cores));
}

TrkDigestPoolC::TrkDigestPoolC(unsigned threads) {
  batch_.reserve(c_Batch);
  workers_.reserve(threads);
  // The workers that can be started do the work; with none at all, the scan's own thread
  // reads each file as it is handed over.
  try {
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
  }
}

TrkDigestPoolC::~TrkDigestPoolC() {
  Cancel();
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void TrkDigestPoolC::Submit(TrkDigestJobT* job) {
  if (workers_.empty()) {
    job->digest = DigestSeenFile(job->dir->get(), job->name, job->device, job->inode, ownBuffer_, &cancelled_);
    job->done.store(true, std::memory_order_release);
    return;
  }
  batch_.push_back(job);
  if (batch_.size() >= c_Batch) Flush();
}

void TrkDigestPoolC::Flush() {
  if (batch_.empty()) return;
  unsigned idle = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.insert(queue_.end(), batch_.begin(), batch_.end());
    idle = idle_;
  }
  batch_.clear();
  if (idle > 1)
    queued_.notify_all();
  else if (idle == 1)
    queued_.notify_one();
}

bool TrkDigestPoolC::WaitFor(TrkDigestJobT* job, unsigned millis) {
  if (IsDone(job)) return true;
  Flush();
  std::unique_lock<std::mutex> hold(lock_);
  waiting_ = true;
  const bool done = finished_.wait_for(hold, std::chrono::milliseconds(millis), [job] { return IsDone(job); });
  waiting_ = false;
  return done;
}

void TrkDigestPoolC::Cancel() {
  batch_.clear();
  std::unique_lock<std::mutex> hold(lock_);
  cancelled_ = true;
  queue_.clear();
  finished_.wait(hold, [this] { return busy_ == 0; });
  cancelled_ = false;
}

void TrkDigestPoolC::Work() {
  // Each worker reads through a buffer of its own.
  std::vector<char> buffer;
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    ++idle_;
    queued_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
    --idle_;
    if (stopping_) return;
    TrkDigestJobT* job = queue_.front();
    queue_.pop_front();
    ++busy_;
    hold.unlock();
    job->digest = DigestSeenFile(job->dir->get(), job->name, job->device, job->inode, buffer, &cancelled_);
    job->done.store(true, std::memory_order_release);
    hold.lock();
    --busy_;
    // Only a waiting scan (or a Cancel waiting for busy workers) needs to hear of it.
    if (waiting_ || cancelled_) finished_.notify_all();
  }
}

}  // namespace trk
