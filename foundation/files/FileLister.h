#pragma once
// FileListerC: a walk over the entries below one root directory, pre-order and depth first,
// each directory's entries in the order the operating system returns them (no sorting).
//
// Descriptors: however deep the tree, at most c_MaxOpenDirs directory handles are open. When
// a walk goes deeper than that, the shallowest directory that is still open reads the rest of
// its entry names into memory and closes its handle; the walk continues from that list when it
// comes back up. A directory is thus read at most once, and its entries keep the order of the
// read even if the directory changes meanwhile. Entries of open directories are examined
// relative to their directory handle, so long paths below a deep root keep working.

#include <cstdint>
#include <dirent.h>
#include <string>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Result.h"
#include "foundation/files/FileCodes.h"
#include "foundation/files/FileInfo.h"

class FileListerC {
 public:
  static constexpr size_t c_MaxOpenDirs = 8;

  // flags: hx::LIST_RECURSE, LIST_FOLLOW_LINKS, LIST_RELATIVE_NAMES, LIST_DOTDOT.
  FileListerC(FileNameC root, uint32_t flags);
  ~FileListerC();
  FileListerC(FileListerC&& other) noexcept;
  FileListerC& operator=(FileListerC&& other) noexcept;
  FileListerC(const FileListerC&) = delete;
  FileListerC& operator=(const FileListerC&) = delete;

  // The next entry: RC_OK with its path (or its path relative to the root) and its status,
  // hx::RC_LIST_END when the walk is over. "." is never returned, ".." only with LIST_DOTDOT
  // (and never entered). An entry whose status cannot be read comes without status; a
  // directory that cannot be opened (the root included) comes as an entry with an empty name
  // and no status, is not entered, and leaves its error in lastError() until clearError().
  hx::ResultT getNext(FileNameC* name, FileInfoC* info);
  // Does not enter the directory that the last getNext returned.
  void ascend();
  // Ends the walk; getNext answers hx::RC_LIST_END from now on.
  void cancel();

  // The last error met (an error-number result), 0 when none; errorPath() names the entry.
  hx::ResultT lastError() const { return error_; }
  const FileNameC& errorPath() const { return errorPath_; }
  void clearError();

  const FileNameC& root() const { return root_; }
  uint32_t flags() const { return flags_; }
  // Directory handles open at this moment (never more than c_MaxOpenDirs).
  size_t openHandles() const { return openHandles_; }

 private:
  struct FrameT {
    std::string rel;                 // path relative to the root, "" for the root itself
    DIR* dir = nullptr;              // null once the names below are all that is left
    std::vector<std::string> names;  // the rest of the entries, read before closing
    size_t next = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
  };

  bool openPending(FileNameC* name, FileInfoC* info);
  bool isOnStack(uint64_t device, uint64_t inode) const;
  bool nextName(FrameT& frame, std::string* entry);
  void readStatus(const FrameT& frame, const std::string& entry, const FileNameC& full, FileInfoC* info);
  void releaseOldestHandle();
  void closeFrame(FrameT& frame);
  void closeAll();
  void setError(int err, const FileNameC& path);
  FileNameC fullPath(const std::string& rel) const { return rel.empty() ? root_ : root_.append(rel); }

  FileNameC root_;
  uint32_t flags_ = 0;
  std::vector<FrameT> stack_;
  bool pending_ = true;  // the root is opened by the first getNext
  std::string pendingRel_;
  bool done_ = false;
  size_t openHandles_ = 0;
  hx::ResultT error_ = hx::RC_OK;
  FileNameC errorPath_;
};
