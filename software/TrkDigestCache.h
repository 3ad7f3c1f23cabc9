#pragma once
// TrkDigestCacheC: the digests of the last scan, kept in a file beside the package database so
// that the next scan reads only the files that changed.
//
// An entry maps a path to the status its file had when it was hashed (device, inode, size,
// modification and change times with their nanoseconds) and to its MD5. A file takes the
// cached digest only when its status matches the entry exactly. A write that keeps the size
// and falls within the time stamp granularity of the moment the file was hashed would leave
// the status as it was, so an entry whose modification time lies within c_GranularityNs of
// the start of the scan that hashed it is never trusted: such files are read again, until a
// scan starts long enough after their last change.
//
// The file is this run's own and is trusted like every file the run loads: its place must pass
// the trust checks, it is not read through a link, and it must be whole: a magic word, the
// format version and the start of the scan that wrote it, the entries, their count and a
// CRC-32 of everything before it. A cache that fails any of this is ignored with a log line, and the
// scan reads every file. The new cache is written while the scan goes on, into a new file that
// replaces the old one (AtomicFileC) only when the scan finished; it holds the files of that
// scan only.
//
// File layout (host byte order; the version changes with it):
//   "HXDGCACH" | u32 version | u32 0 | i64 scan start (ns since the epoch) |
//   entries: u32 path length | path | u64 device | u64 inode | i64 size |
//            i64 mtime s | i32 mtime ns | i64 ctime s | i32 ctime ns | MD5 (32 hex digits) |
//   u64 entries | u32 CRC-32 of all the bytes before.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/FileInfo.h"
#include "foundation/files/SafeFile.h"

namespace trk {

class TrkDigestCacheC {
 public:
  static constexpr uint32_t c_Version = 2;
  // Longer than the coarsest time stamps kept by the file systems walked (whole seconds).
  static constexpr int64_t c_GranularityNs = 1000000000;
  // A larger file is not a cache this program wrote for any tree it can walk.
  static constexpr size_t c_MaxFileSize = size_t{1} << 30;

  TrkDigestCacheC() = default;
  TrkDigestCacheC(const TrkDigestCacheC&) = delete;
  TrkDigestCacheC& operator=(const TrkDigestCacheC&) = delete;

  // Reads the cache at `path`. A missing file is an empty cache; any other failure logs why the
  // cache is not used and leaves it empty. What is kept of an entry is a fixed-size record
  // (the path's hash, the status, the digest's 16 bytes), not the file's bytes.
  void Load(const std::string& path);
  // Starts the new cache beside `path` for a scan that started at scanStartNs. A place that
  // is not trusted is reported and nothing is recorded.
  HX_NODISCARD hx::ResultT Begin(const std::string& path, int64_t scanStartNs);
  // The cached digest of a file whose walk status is `info`: true and *digest set only when
  // the entry matches exactly and is not within the granularity of its scan's start.
  HX_NODISCARD bool Find(const std::string& path, const FileInfoC& info, std::string* digest) const;
  // Remembers the digest of a file of this scan (32 hexadecimal digits; anything else is
  // not remembered).
  void Record(const std::string& path, const FileInfoC& info, const std::string& digest);
  // Puts the new cache in the old one's place.
  HX_NODISCARD hx::ResultT Commit();

  size_t LoadedEntries() const { return entries_.size(); }

 private:
  // A loaded entry, in the order of the file (the walk order of the scan that wrote it). Two
  // paths with the same hash cannot share the rest: device and inode name one file, whose
  // digest it is whichever name led to it.
  struct EntryT {
    uint64_t pathHash;
    uint64_t device;
    uint64_t inode;
    int64_t size;
    int64_t modifiedNs;
    int64_t changedNs;
    uint8_t digest[16];
  };
  HX_NODISCARD bool Parse(const std::string& bytes, std::string* reason);
  // The entries by path hash: open addressing over entry numbers plus one (0 is empty).
  void BuildIndex();
  static bool Matches(const EntryT& e, uint64_t hash, const FileInfoC& info);
  // The entry of the path with this hash whose status is info, or null.
  const EntryT* Lookup(uint64_t hash, const FileInfoC& info) const;
  HX_NODISCARD hx::ResultT Flush();

  int64_t loadedStartNs_ = 0;
  std::vector<EntryT> entries_;
  std::vector<uint32_t> index_;
  mutable size_t next_ = 0;  // the entry after the one found last
  hx::AtomicFileC file_;        // the new cache
  bool writing_ = false;
  hx::ResultT writeFailure_ = hx::RC_OK;
  std::string out_;             // what is not written yet
  uint32_t sum_ = 0;  // CRC-32 of what was written
  uint64_t recorded_ = 0;
};

}  // namespace trk
