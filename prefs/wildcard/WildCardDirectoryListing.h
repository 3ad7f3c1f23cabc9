#pragma once
// WildCardDirectoryListingC expands a directory pattern with "*" and "?" in any component
// ("/opt/app*/lib") into the existing directories that match it. It is the sink of a walk over
// the file system that prunes at every level: a directory is entered only when its path
// matches the pattern's prefix of the same depth, so the cost follows the pattern's shape,
// not the size of the file system.

#include <string>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/files/FileListingSink.h"

class WildCardDirectoryListingC : public FileListingSinkI {
 public:
  WildCardDirectoryListingC() = default;
  ~WildCardDirectoryListingC() override = default;

  // Files are of no interest; walker warnings (unreadable directories) are passed over.
  HX_NODISCARD long addFile(FileNameC* name) override;
  // Enters a directory that matches the prefix of its depth; takes one that matches the whole
  // pattern (without entering it); skips every other.
  HX_NODISCARD long addDir(FileNameC* name) override;
  HX_NODISCARD long warning(const FileNameC* name, long code) override;
  // Fills the matched list: the pattern itself when it has no wildcard (whether or not it
  // exists), nothing for a relative pattern, else the matching directories in walk order.
  HX_NODISCARD virtual hx::ResultT listAll(const StringC& pattern);
  HX_NODISCARD virtual hx::ResultT listAll(const FileNameC& pattern);
  // The matched list of the last listAll, owned by the listing.
  virtual const FileNameArrayC& MatchedDirectoryList() const { return matched_; }

 private:
  static std::string Normalise(const std::string& path);

  FileNameC pattern_;
  std::vector<std::string> prefixes_;  // [d-1]: the pattern's first d components
  FileNameArrayC matched_;
};
