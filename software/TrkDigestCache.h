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
// format version, the start of the scan that wrote it, the entries, and an MD5 of everything
// before it. A cache that fails any of this is ignored with a log line, and the scan reads
// every file. It is rewritten as a whole (AtomicFileC) at the end of a scan that finished,
// holding the files of that scan only.
//
// File layout (host byte order; the version changes with it):
//   "HXDGCACH" | u32 version | u32 0 | i64 scan start (ns since the epoch) | u64 entries |
//   entries: u32 path length | path | u64 device | u64 inode | i64 size |
//            i64 mtime s | i32 mtime ns | i64 ctime s | i32 ctime ns | MD5 (32 hex digits) |
//   MD5 of all the bytes before (32 hex digits).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/core/Result.h"
#include "foundation/files/FileInfo.h"

namespace trk {

class TrkDigestCacheC {
 public:
  static constexpr uint32_t c_Version = 1;
  // Longer than the coarsest time stamps kept by the file systems walked (whole seconds).
  static constexpr int64_t c_GranularityNs = 1000000000;
  // A larger file is not a cache this program wrote for any tree it can walk.
  static constexpr size_t c_MaxFileSize = size_t{1} << 30;

  // Reads the cache at `path`. A missing file is an empty cache; any other failure logs why the
  // cache is not used and leaves it empty. The file's bytes stay in memory while it is used.
  void Load(const std::string& path);
  // The cached digest of a file whose walk status is `info`: true and *digest set only when
  // the entry matches exactly and is not within the granularity of its scan's start.
  bool Find(const std::string& path, const FileInfoC& info, std::string* digest) const;
  // Remembers the digest of a file of this scan (32 hexadecimal digits; anything else is
  // not remembered).
  void Record(const std::string& path, const FileInfoC& info, const std::string& digest);
  // Replaces the cache file with the files recorded, marked with the start of this scan.
  hx::ResultT Save(const std::string& path, int64_t scanStartNs) const;

  size_t LoadedEntries() const { return loaded_.size(); }
  size_t RecordedEntries() const { return recorded_; }

 private:
  bool Parse(std::string* reason);

  std::string bytes_;  // the loaded file; the index points into it
  int64_t loadedStartNs_ = 0;
  std::unordered_map<std::string_view, const char*> loaded_;  // path -> its entry's status
  std::string out_;    // the recorded entries, in the file's form
  size_t recorded_ = 0;
};

}  // namespace trk
