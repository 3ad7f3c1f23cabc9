#include "software/TrkDigestPool.h"

#include <algorithm>
#include <chrono>

#include "software/TrkFileReader.h"

namespace trk {

unsigned TrkDigestPoolC::ThreadsFor(long wanted) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  if (wanted <= 0) return cores;
  return static_cast<unsigned>(std::min<long>(wanted, cores));
}

TrkDigestPoolC::TrkDigestPoolC(unsigned threads) {
  workers_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
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
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(job);
  }
  queued_.notify_one();
}

bool TrkDigestPoolC::WaitFor(TrkDigestJobT* job, unsigned millis) {
  std::unique_lock<std::mutex> hold(lock_);
  return finished_.wait_for(hold, std::chrono::milliseconds(millis), [job] { return job->done; });
}

void TrkDigestPoolC::Cancel() {
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
    queued_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    TrkDigestJobT* job = queue_.front();
    queue_.pop_front();
    ++busy_;
    hold.unlock();
    std::string digest = DigestSeenFile(job->path, job->device, job->inode, buffer, &cancelled_);
    hold.lock();
    --busy_;
    job->digest = std::move(digest);
    job->done = true;
    finished_.notify_all();
  }
}

}  // namespace trk
