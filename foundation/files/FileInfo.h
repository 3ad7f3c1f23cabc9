#pragma once
// FileInfoC: the status of one directory entry, as the file tracking rules and the directory
// scan look at it.

#include <cstdint>
#include <ctime>
#include <sys/stat.h>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

class FileInfoC {
 public:
  enum TypeE {
    Regular = 0,
    Directory = 1,
    CharDevice = 2,
    BlockDevice = 3,
    Fifo = 4,
    SymbolicLink = 5,
    Socket = 6,
    Other = 7,
  };

  FileInfoC() = default;
  explicit FileInfoC(const struct stat& st) { assign(st); }

  // Reads the status of path: the link's own status unless followLinks. An error number
  // result leaves the information without status.
  HX_NODISCARD hx::ResultT read(const FileNameC& path, bool followLinks);
  void assign(const struct stat& st);
  // Forgets the status (an entry whose status could not be read).
  void clear() { *this = FileInfoC(); }

  // False until a status has been read.
  bool hasStatus() const { return hasStatus_; }
  TypeE type() const { return type_; }
  bool isDirectory() const { return hasStatus_ && type_ == Directory; }
  bool isRegular() const { return hasStatus_ && type_ == Regular; }
  bool isLink() const { return hasStatus_ && type_ == SymbolicLink; }
  // The nine permission bits (0400 owner read down to 0001 other execute).
  uint32_t permissions() const { return permissions_; }
  int64_t size() const { return size_; }
  time_t changeTime() const { return ctime_; }
  time_t modificationTime() const { return mtime_; }
  time_t accessTime() const { return atime_; }
  // The nanoseconds within the second of the change and modification times (0 where the file
  // system keeps whole seconds): what tells apart two writes within one second.
  int32_t changeTimeNanoseconds() const { return ctimeNs_; }
  int32_t modificationTimeNanoseconds() const { return mtimeNs_; }
  uint64_t device() const { return device_; }
  uint64_t inode() const { return inode_; }
  uint32_t owner() const { return owner_; }
  uint32_t group() const { return group_; }
  // Hard links to the file: a file of one user linked into another's directory has several.
  uint32_t links() const { return links_; }

  static TypeE TypeOfMode(mode_t mode);

 private:
  bool hasStatus_ = false;
  TypeE type_ = Other;
  uint32_t permissions_ = 0;
  int64_t size_ = 0;
  time_t ctime_ = 0;
  time_t mtime_ = 0;
  time_t atime_ = 0;
  int32_t ctimeNs_ = 0;
  int32_t mtimeNs_ = 0;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  uint32_t owner_ = 0;
  uint32_t group_ = 0;
  uint32_t links_ = 0;
};
