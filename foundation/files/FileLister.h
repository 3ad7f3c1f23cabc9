#pragma once
// FileListerC: a walk over the entries below one root directory, pre-order and depth first,
// each directory's entries in the order the operating system returns them (no sorting).
//
// The walk runs as root through directories that other users may change while it goes on, so
// it never reaches anything by a path: every directory is opened relative to the handle of its
// parent (O_NOFOLLOW unless links are followed), checked to be the directory whose status the
// walk read, and every entry's status is read relative to the handle of its directory. A
// directory swapped for a link or for another directory between the two is not entered.
//
// Descriptors: however deep the tree, at most c_MaxOpenDirs directory handles are open. When a
// walk goes deeper than that, the shallowest directory that still holds a handle (the root's
// is always kept) reads the rest of its entry names into memory and gives its handle up. When
// the walk comes back to such a directory it reopens it from the nearest directory that still
// holds a handle, one component at a time, each checked to be the same device and inode as when
// it was first opened; a directory that is no longer the one walked ends with an entry without
// name and the error ESTALE, and the rest of it is not walked. A directory is read at most once,
// and its entries keep the order of that read even if the directory changes meanwhile.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/FileCodes.h"
#include "foundation/files/FileInfo.h"
#include "foundation/files/SafeFile.h"

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
  // directory that cannot be opened (the root included) or that was replaced comes as an entry
  // with an empty name and no status, is not entered, and leaves its error in lastError()
  // until clearError().
  HX_NODISCARD hx::ResultT getNext(FileNameC* name, FileInfoC* info);
  // Does not enter the directory that the last getNext returned.
  void ascend();
  // Ends the walk; getNext answers hx::RC_LIST_END from now on.
  void cancel();

  // The last error met (an error-number result), 0 when none; errorPath() names the entry.
  HX_NODISCARD hx::ResultT lastError() const { return error_; }
  const FileNameC& errorPath() const { return errorPath_; }
  void clearError();

  // Of the entry the last getNext returned with a name, until the next getNext: the handle of
  // its directory, its name in that directory, and the owner of that directory. Reading the
  // entry through these reaches the entry the walk saw, whatever happened to the path since.
  int entryDirHandle() const;
  const std::string& entryName() const { return entryName_; }
  uint32_t entryDirOwner() const;
  // A handle of that directory that outlives the walk's own (made once per directory): work
  // handed to other threads opens the entry relative to it.
  std::shared_ptr<const hx::UniqueFdC> sharedEntryDir();

  const FileNameC& root() const { return root_; }
  uint32_t flags() const { return flags_; }
  // Directory handles open at this moment (never more than c_MaxOpenDirs).
  size_t openHandles() const { return openHandles_; }

 private:
  struct FrameT {
    std::string rel;                 // path relative to the root, "" for the root itself
    hx::DirStreamC dir;              // the directory being read; closed once it is read whole
    hx::UniqueFdC fd;                // the handle once `dir` is gone; invalid when given up
    std::vector<std::string> names;  // the rest of the entries, read before closing
    size_t next = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t owner = 0;
    std::shared_ptr<hx::UniqueFdC> shared;  // sharedEntryDir's handle
  };

  static int handleOf(const FrameT& frame) { return frame.dir.valid() ? frame.dir.fd() : frame.fd.get(); }
  HX_NODISCARD bool openPending(FileNameC* name, FileInfoC* info);
  HX_NODISCARD bool ensureHandle(size_t index);
  hx::UniqueFdC openChild(int parent, const std::string& rel) const;
  void failEntry(int err, const FileNameC& path, FileNameC* name, FileInfoC* info);
  bool isOnStack(uint64_t device, uint64_t inode) const;
  HX_NODISCARD bool nextName(FrameT& frame, std::string* entry);
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
  uint64_t pendingDevice_ = 0;  // the status the walk read of the pending directory
  uint64_t pendingInode_ = 0;
  bool done_ = false;
  size_t openHandles_ = 0;
  std::string entryName_;
  hx::ResultT error_ = hx::RC_OK;
  FileNameC errorPath_;
};
