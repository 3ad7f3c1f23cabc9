#pragma once
// FileListingSinkI: what a walk of the file service tells its caller, one entry at a time.

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"

class FileListingSinkI {
 public:
  virtual ~FileListingSinkI() = default;
  // Every entry that is not a directory (links included, since links are not followed unless
  // asked). A negative answer ends the walk with that result.
  HX_NODISCARD virtual long addFile(FileNameC* name) = 0;
  // Every directory, before its contents. Non-zero: the walk does not enter it; negative also
  // ends the walk with that result.
  HX_NODISCARD virtual long addDir(FileNameC* name) = 0;
  // An entry that could not be examined or a directory that could not be read, with the
  // error-number result. A negative answer ends the walk with that result.
  HX_NODISCARD virtual long warning(const FileNameC* name, long code) = 0;
};
