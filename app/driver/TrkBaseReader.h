#pragma once
// TrkBaseReaderC: reads the base of a run's delta (the previous inventory) on a thread of its
// own while the phases run, so that the delta step finds it read. Reading a large inventory
// costs as much as a quick scan; the phases mostly wait for the file system and tools, and
// leave a core to spare.
//
// What was read is used only if it is still what the delta step would read: the same path,
// and a file with the same device, inode, size and modification and change times as the one
// opened. Anything else (a read that failed, a file replaced or changed since) is dropped, and
// the delta step reads the file itself as it always would, with the same result and trace.

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <thread>

#include "foundation/core/FileName.h"
#include "inventory/TrkBaseInventory.h"

class TrkBaseReaderC {
 public:
  TrkBaseReaderC() = default;
  // Stops a read that is still going on.
  ~TrkBaseReaderC() { Stop(); }
  TrkBaseReaderC(const TrkBaseReaderC&) = delete;
  TrkBaseReaderC& operator=(const TrkBaseReaderC&) = delete;

  // Starts reading `file` (a regular file; a link is never read). Only once.
  void Start(const FileNameC& file);
  // Ends a read that is no longer needed, without waiting for the rest of it.
  void Stop();
  // Waits for the read; the base when it was read from `file` whole and the file has not
  // changed since, null otherwise. The base is the caller's.
  std::unique_ptr<TrkBaseInventoryC> Take(const FileNameC& file);

 private:
  void Read();

  FileNameC file_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  // The thread's until it is joined.
  std::unique_ptr<TrkBaseInventoryC> base_;
  struct stat status_ {};
  hx::ResultT rc_ = hx::RC_FAIL;
};
