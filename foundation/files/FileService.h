#pragma once
// The process file service: the file operations that the run driver, the directory scan and
// the wildcard-directory expansion rely on. Paths are byte strings and are used as given; the
// service never re-roots them (preference paths stay as the user wrote them). A caller that
// reads a fixed path of the machine maps it first with systemPath().
//
// Failures are error-number results (hx::RcFromErrno).

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/FileCodes.h"
#include "foundation/files/FileInfo.h"
#include "foundation/files/FileLister.h"
#include "foundation/files/FileListingSink.h"

class FileServiceC {
 public:
  // True when the path names something (a link only when its target exists).
  bool exists(const FileNameC& path) const;
  // The length in bytes, -1 when the status cannot be read.
  int64_t length(const FileNameC& path) const;
  // The modification time, -1 when the status cannot be read.
  time_t lastModified(const FileNameC& path) const;
  // The status of path; the link's own status unless followLinks.
  HX_NODISCARD hx::ResultT info(const FileNameC& path, FileInfoC* info, bool followLinks) const;

  // Creates a new empty file dir/prefix<unique>suffix, readable and writable by the owner only;
  // it never takes over an existing file. Returns its name, or an empty name on failure. No
  // flags are defined yet; callers pass 0.
  HX_NODISCARD FileNameC createTempFile(const FileNameC& dir, std::string_view prefix, std::string_view suffix,
                           uint32_t flags) const;
  // Removes one file or empty directory (flags 0) or a directory with everything below it
  // (hx::REMOVE_RECURSIVE; links are removed, never followed). A recursive remove goes on past
  // failures and returns the first.
  HX_NODISCARD hx::ResultT remove(const FileNameC& path, uint32_t flags) const;
  // Creates a directory (with its missing parents when recursive). A directory that already
  // exists is success.
  HX_NODISCARD hx::ResultT mkdir(const FileNameC& path, bool recursive) const;
  // Renames a file or directory; a file moves across file systems by copy and remove.
  HX_NODISCARD hx::ResultT rename(const FileNameC& from, const FileNameC& to) const;
  // Copies a file's content and permission bits. The copy is written under a temporary name in
  // the target directory and renamed into place, so nobody sees a partial file and a failed
  // copy leaves an existing target untouched. No flags are defined yet; callers pass 0, 0.
  HX_NODISCARD hx::ResultT copy(const FileNameC& from, const FileNameC& to, uint32_t flags, uint32_t moreFlags) const;

  // A walker over root (hx::LIST_* flags).
  FileListerC getLister(const FileNameC& root, uint32_t flags) const;
  // The roots of the file-system name space: "/" on Unix.
  FileNameArrayC listRoots() const;
  // Walks root with getLister(root, flags) and reports every entry to the sink; 0, or the
  // negative answer of the sink that ended the walk.
  HX_NODISCARD hx::ResultT walk(const FileNameC& root, FileListingSinkI& sink, uint32_t flags) const;

  // A fixed path of the machine ("/etc/mnttab") as it is to be opened: under the system root
  // when one is set.
  std::string systemPath(std::string_view fixedPath) const;
};

// The file service of the process (never null).
FileServiceC* FileService();
