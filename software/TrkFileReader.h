#pragma once
// TrkFileReaderC: what the scan reads of one tracked file: its MD5 digest and, for embedding
// and tag files, its content, in one pass over the file however many of them are asked for.
//
// The scan runs as root over directories other users can write, so a file is read only
// through the handle of the directory the walk found it in, and only when its name there still
// leads to the regular file the walk saw (hx::OpenSeenFile: no link at the name, same device
// and inode); otherwise its digest is empty and it has no content. A file that changes while
// it is read gives the digest of what was read: never more than the size its status gave when
// it was opened, so a file that keeps growing cannot hold the scan; and a file longer than the
// digest budget (DigestMaxFileSize) is not read for its digest at all, so that a sparse file of
// any length cannot hold it either.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileInfo.h"
#include "software/TrkFileRules.h"

class MD5C;

namespace trk {

// Base64 (standard alphabet, padded, no line breaks).
std::string Base64Encode(std::string_view bytes);

// The digest of the entry `name` of the directory handle `dirFd` that the walk saw, read with
// the same checks as TrkFileReaderC: 32 lower-case hexadecimal digits, or "" when it cannot be
// read. `stop` (may be null) is looked at between reads; once set, the read ends and the
// digest is "".
std::string DigestSeenFile(int dirFd, const std::string& name, uint64_t device, uint64_t inode,
                           std::vector<char>& buffer, const std::atomic<bool>* stop = nullptr);

// Whether the scan may take the content of a file (embed it, read it as a tag file) that lies
// in a directory owned by `dirOwner`: only when that owner could read the file itself, and not
// when the file has several links and belongs to someone else. A file of root's that a user
// hard-linked into a directory of theirs would otherwise land in the inventory. `why` receives
// the reason of a refusal.
bool MayTakeContent(const FileInfoC& file, uint32_t dirOwner, std::string* why);

class TrkFileReaderC : public FileDigestSourceI {
 public:
  // The reads' buffer size: large reads keep the system calls per byte few.
  static constexpr size_t c_BufferSize = size_t{128} << 10;

  // The file `name` of the directory handle `dirFd`, which the walk saw with status `seen`.
  // `buffer` is the scan's, shared by every file (grown to c_BufferSize when smaller).
  TrkFileReaderC(int dirFd, const std::string& name, const FileInfoC& seen, std::vector<char>& buffer);

  // Keeps the content as well when the file is not larger than `limit` bytes (a negative
  // limit keeps nothing). Call before the first Digest or Content.
  void KeepContentUpTo(int64_t limit) { keepLimit_ = limit; }
  // The digest as 32 lower-case hexadecimal digits; "" when the file could not be read. The
  // file is read for it at most once.
  const std::string& Digest() override;
  // The whole content, if the file could be read and is within the keep limit; null otherwise.
  const std::string* Content();
  // Takes a digest known from elsewhere (the digest cache) instead of reading the file for it.
  void UseDigest(const std::string& digest) {
    digest_ = digest;
    digestDone_ = true;
  }
  bool HasDigest() const { return digestDone_; }
  // Files longer than `bytes` get the empty digest without being read.
  void LimitDigestTo(int64_t bytes) { digestBudget_ = bytes; }
  bool OverDigestBudget() const { return seen_.size() > digestBudget_; }

 private:
  void read(bool digest);
  HX_NODISCARD bool readKept(int fd, int64_t size);

  int dirFd_;
  const std::string& name_;
  const FileInfoC& seen_;
  std::vector<char>& buffer_;
  int64_t keepLimit_ = -1;
  int64_t digestBudget_ = INT64_MAX;
  bool digestDone_ = false;
  bool contentDone_ = false;
  bool haveContent_ = false;
  std::string digest_;
  std::string content_;
};

}  // namespace trk
