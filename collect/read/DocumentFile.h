#pragma once
// One delivered file read into a document parser: plain or gzip-compressed (a file may hold
// several gzip members, as concatenated gzip files do), the SHA-256 of its bytes as they lie on
// the disk, and its modification time. Only a regular file is read, never through a link;
// the uncompressed bytes stop at the parser's document cap, however well they compress.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "collect/read/DocumentReader.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hxc {

// A file's modification time as FileFactsT keeps it.
int64_t MtimeNs(const struct stat& st);

struct FileFactsT {
  std::string sha256;  // 64 lower-case hexadecimal digits, of the whole file
  int64_t mtime = 0;  // nanoseconds since the epoch: runs a second apart are common
};

// Reads the file `name` of the directory descriptor dirFd (AT_FDCWD for a path). A sink that
// answers the root with c_StopAfterRoot ends the read there (and no digest is made).
hx::ResultT ReadDocumentFile(int dirFd, const std::string& name, DocumentSinkI& sink, FileFactsT* facts,
                             std::string* why);
// The same over bytes in memory (the fuzz target's and the tests' way in).
hx::ResultT ReadDocumentBytes(const std::string& bytes, DocumentSinkI& sink, std::string* why);
// A subtree the collector stored (EntityT::xml) read back into its entity, under a root of its
// own; false when it does not read as exactly one entity.
HX_NODISCARD bool ReadStoredEntity(const std::string& xml, EntityT* entity);

}  // namespace hxc
