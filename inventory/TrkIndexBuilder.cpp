#include "inventory/TrkIndexBuilder.h"

#include <system_error>

TrkIndexBuilderC::~TrkIndexBuilderC() {
  abandoned_.store(true, std::memory_order_relaxed);  // the thread only releases from now on
  Stop();
  failure_ = hx::RC_FAIL;
  for (BatchT& batch : queue_) Enter(batch);
  Enter(batch_);
}

void TrkIndexBuilderC::Add(TrkInventoryEntityC* entity) {
  if (batch_.empty()) batch_.reserve(c_BatchSize);
  batch_.push_back(entity);
  if (batch_.size() < c_BatchSize) return;
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&TrkIndexBuilderC::Work, this);
    } catch (const std::system_error&) {
      // No thread to be had: the entities are entered here, as they come.
      Enter(batch_);
      batch_.clear();
      return;
    }
  }
  Hand(std::move(batch_));
  batch_ = BatchT();
}

hx::ResultT TrkIndexBuilderC::Finish() {
  if (thread_.joinable()) {
    Hand(std::move(batch_));
    batch_ = BatchT();
    Stop();
  }
  Enter(batch_);
  batch_.clear();
  return failure_;
}

void TrkIndexBuilderC::Enter(BatchT& batch) {
  for (TrkInventoryEntityC* entity : batch) {
    TrkDigestKeyT flat, deep;
    bool enter = hx::Succeeded(failure_) && !abandoned_.load(std::memory_order_relaxed);
    if (enter) failure_ = entity->CalculateDigestKeys(&flat, &deep);
    if (enter && hx::Succeeded(failure_)) {
      flat_.Insert(flat, entity);
      deep_.Insert(deep, entity);
    }
    entity->Release();  // the indexes hold their own references
  }
  batch.clear();
}

void TrkIndexBuilderC::Hand(BatchT batch) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(batch));
  }
  ready_.notify_one();
}

void TrkIndexBuilderC::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    ready_.wait(hold, [this] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;  // closing, and everything handed over is entered
    BatchT batch = std::move(queue_.front());
    queue_.pop_front();
    hold.unlock();
    Enter(batch);
    hold.lock();
  }
}

void TrkIndexBuilderC::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
  }
  ready_.notify_one();
  thread_.join();
}
