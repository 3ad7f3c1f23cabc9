#pragma once
// TrkIndexBuilderC: enters the top-level entities of a document being read into its flat and
// deep digest indexes. Computing the two digests of an entity costs about a third of what
// building it does, so once a document proves long, a thread of the builder's own computes them
// while the parser goes on with the next entities. Entities are handed over in batches and
// entered strictly in the order given, so the indexes are exactly those one thread would build.
// A short document never starts the thread: its entities are entered when Finish is called.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "inventory/TrkInventoryIndex.h"

class TrkIndexBuilderC {
 public:
  // Entities handed over at a time; a document with fewer top-level entities stays on one thread.
  static constexpr size_t c_BatchSize = 1024;

  TrkIndexBuilderC(TrkInventoryIndexC& flat, TrkInventoryIndexC& deep) : flat_(flat), deep_(deep) {}
  // Stops the thread; entities not entered yet are released.
  ~TrkIndexBuilderC();
  TrkIndexBuilderC(const TrkIndexBuilderC&) = delete;
  TrkIndexBuilderC& operator=(const TrkIndexBuilderC&) = delete;

  // Takes over one reference on the entity, which nobody may change any more.
  void Add(TrkInventoryEntityC* entity);
  // Enters what is left and waits for the thread: RC_OK or the first failure of a digest. The
  // indexes may be used once it returned.
  HX_NODISCARD hx::ResultT Finish();

 private:
  using BatchT = std::vector<TrkInventoryEntityC*>;
  // Enters a batch (after a failure only releases it).
  void Enter(BatchT& batch);
  void Hand(BatchT batch);
  void Work();
  void Stop();

  TrkInventoryIndexC& flat_;
  TrkInventoryIndexC& deep_;
  BatchT batch_;  // being filled
  hx::ResultT failure_ = hx::RC_OK;  // the thread's while it runs
  std::atomic<bool> abandoned_{false};
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<BatchT> queue_;
  bool closing_ = false;
  std::thread thread_;
};
