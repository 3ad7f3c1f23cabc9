#pragma once
// The file-safety layer: how the run opens, writes and replaces its own files. hxtrack runs as
// root in directories that other users may reach, so every file it writes goes through here:
//
// - descriptors are owned (UniqueFdC) and carry close-on-exec, so no tool inherits them;
// - the last component of a path is never followed when it is a symbolic link (O_NOFOLLOW):
//   a link where the run keeps its own file is somebody else's, and opening it fails with
//   ELOOP instead of writing where the link points; the directories above are the trust
//   checks' business (Trust.h);
// - a file opened for writing must be a regular file, and one opened for reading too: a FIFO
//   or a device in the file's place cannot stall or redirect the run;
// - new files are created exclusively (O_EXCL) and, like every file of the process, pass the
//   file-creation mask of 077 that start-up sets, so nobody else can read them;
// - a file is replaced as a whole or not at all (AtomicFileC): the new content goes to a new
//   file beside it, is synchronised to the disk, renamed over the old name, and the directory
//   is synchronised. After Commit returns 0 the new file survives a crash of the machine; a
//   failure or a process killed before the rename leaves the old file as it was.
//
// Failures are error-number results (hx::RcFromErrno) unless stated.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

// One open descriptor, closed with the object.
class UniqueFdC {
 public:
  UniqueFdC() = default;
  explicit UniqueFdC(int fd) : fd_(fd) {}
  ~UniqueFdC() { reset(); }
  UniqueFdC(UniqueFdC&& other) noexcept : fd_(other.release()) {}
  UniqueFdC& operator=(UniqueFdC&& other) noexcept;
  UniqueFdC(const UniqueFdC&) = delete;
  UniqueFdC& operator=(const UniqueFdC&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int release();
  // Closes the descriptor held (if any) and takes fd.
  void reset(int fd = -1);
  // Closes now and reports the close's failure (buffered data of some file systems is
  // written only here).
  HX_NODISCARD ResultT close();

 private:
  int fd_ = -1;
};

// Writes all of data, going on after partial and interrupted writes.
HX_NODISCARD ResultT WriteAll(int fd, std::string_view data);
// Reads the rest of fd into out; more than `limit` bytes is EFBIG (nothing is kept).
HX_NODISCARD ResultT ReadAll(int fd, std::string* out, size_t limit = SIZE_MAX);

// Opens an existing regular file for reading, not through a link at its last component and
// without blocking on a FIFO. ELOOP for a link, EISDIR for a directory, EINVAL for anything else but a regular file.
HX_NODISCARD ResultT OpenForReading(const std::string& path, UniqueFdC* fd);
// Opens a file that a walk saw (a file scan reading other users' files): the entry `name` of
// the directory handle `dirFd` (or a path with AT_FDCWD), not through a link, without
// blocking on a FIFO, and only when it is still the regular file the walk's status named
// (device and inode), before the open and after it: a name swapped for a link, a device or
// another file since then leads nowhere else (ESTALE, or EINVAL for what is not a regular
// file). *st receives the opened file's status. The descriptor keeps O_NONBLOCK, which regular
// files ignore.
HX_NODISCARD ResultT OpenSeenFile(int dirFd, const std::string& name, dev_t device, ino_t inode, UniqueFdC* fd,
                                  struct stat* st);
// Reads a whole regular file (OpenForReading, then ReadAll).
HX_NODISCARD ResultT ReadFileNoFollow(const std::string& path, std::string* out, size_t limit = SIZE_MAX);

// Opens (creating with `mode` when missing) a regular file for writing, not through a link at
// its last component. extraFlags may add O_APPEND or O_TRUNC. ELOOP for a link, EINVAL for
// anything but a regular file.
HX_NODISCARD ResultT OpenForWriting(const std::string& path, int extraFlags, mode_t mode, UniqueFdC* fd);
// Creates a new file that must not exist yet (O_EXCL) and opens it for writing.
HX_NODISCARD ResultT CreateExclusive(const std::string& path, mode_t mode, UniqueFdC* fd);
// The same with a relative path taken below the directory descriptor dirFd (AT_FDCWD: the
// working directory).
HX_NODISCARD ResultT CreateExclusiveAt(int dirFd, const std::string& path, mode_t mode, UniqueFdC* fd);
// Creates dir/prefix<unique>suffix exclusively and opens it for writing; *name receives its
// path. The unique part is 6 letters and digits (c_UniqueLength).
constexpr size_t c_UniqueLength = 6;
HX_NODISCARD ResultT CreateUnique(const std::string& dir, std::string_view prefix, std::string_view suffix,
                                  std::string* name, UniqueFdC* fd, mode_t mode = 0600);
// The same below the directory descriptor dirFd; *name is relative to it (dir "" gives the
// bare name).
HX_NODISCARD ResultT CreateUniqueAt(int dirFd, const std::string& dir, std::string_view prefix, std::string_view suffix,
                                    std::string* name, UniqueFdC* fd, mode_t mode = 0600);
// Whether text is a unique part as CreateUnique makes them.
bool IsUniquePart(std::string_view text);

// Synchronises a directory, so that a rename or a new entry in it survives a crash.
HX_NODISCARD ResultT SyncDirectory(const std::string& dir);
// Whether path names a symbolic link (its own status; false when it names nothing).
bool IsSymbolicLink(const std::string& path);
// Whether path names a regular file, not through a link at its last component.
bool IsRegularFileNoFollow(const std::string& path);

// The longest part of a target's name that goes into its temporary name, which keeps
// "<name>.<unique>.tmp" within the file-name length limit for any name.
constexpr size_t c_TempBaseMax = 200;

// A file replaced atomically. Open, write through fd() or Write, then Commit; a file that was
// not committed is removed when the object goes. A link at the target's name is replaced by
// the new file (the rename takes the name, never what the link points to).
class AtomicFileC {
 public:
  AtomicFileC() = default;
  ~AtomicFileC() { Abort(); }
  AtomicFileC(const AtomicFileC&) = delete;
  AtomicFileC& operator=(const AtomicFileC&) = delete;

  // A new file "<namePrefix><base name>.<unique>.tmp" beside target (namePrefix "." hides it).
  // The mode passes the process's file-creation mask, as for any new file.
  HX_NODISCARD ResultT Open(const std::string& target, mode_t mode, std::string_view namePrefix = ".");
  // The new content goes to the fixed name `temp` (a leftover there is removed first, so the
  // file is always created anew and exclusively).
  HX_NODISCARD ResultT OpenFixed(const std::string& target, const std::string& temp, mode_t mode);

  int fd() const { return fd_.get(); }
  const std::string& TempPath() const { return temp_; }
  HX_NODISCARD ResultT Write(std::string_view data) { return WriteAll(fd_.get(), data); }
  // Data to the disk, rename over the target, directory to the disk. A file that is only a
  // cache, checked whole when it is read, may skip the synchronisation (durable false): after a
  // crash of the machine it may be short, and is then refused and rebuilt.
  HX_NODISCARD ResultT Commit(bool durable = true);
  // Removes the temporary file (nothing when committed or never opened).
  void Abort();

 private:
  std::string target_;
  std::string temp_;
  UniqueFdC fd_;
};

// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const std::string& path);

}  // namespace hx
