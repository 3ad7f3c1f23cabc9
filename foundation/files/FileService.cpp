#include "foundation/files/FileService.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "foundation/trace/Tracer.h"
#include "platform/SysRoot.h"

namespace {

constexpr const char* kTraceCategory = "Foundation/Files";
constexpr const char* kUniqueMarker = "XXXXXX";  // replaced by the unique part of a temporary name
constexpr mode_t kNewFileMode = 0777;             // before the process umask
constexpr mode_t kModeBits = 07777;
constexpr size_t kCopyBufferSize = 64 * 1024;
constexpr size_t kTempBaseMax = 128;  // keeps a temporary name within the name length limit

hx::ResultT LastError() { return hx::RcFromErrno(errno); }

// Writes all of data, retrying partial and interrupted writes.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

hx::ResultT CopyData(int in, int out) {
  std::vector<char> buffer(kCopyBufferSize);
  while (true) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return hx::RC_OK;
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return LastError();
  }
}

// Creates dir/prefix<unique>suffix and returns its descriptor open for writing, or -1 with
// errno set. mkstemps creates with O_EXCL and mode 0600, trying new names on collisions.
int OpenTemp(const FileNameC& dir, std::string_view prefix, std::string_view suffix, std::string* name) {
  const std::string base = std::string(prefix) + kUniqueMarker + std::string(suffix);
  *name = dir.empty() ? base : dir.append(base).str();
  const int fd = ::mkstemps(name->data(), static_cast<int>(suffix.size()));
  if (fd < 0) {
    const int err = errno;
    hx::Trace(kTraceCategory, "Cannot create a temporary file in '%s': %d\n", dir.text(), err);
    errno = err;
  } else {
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return fd;
}

bool IsDirectory(const FileNameC& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Removes everything below dir, then dir: files as the walk meets them, directories deepest
// first once the walk is over.
hx::ResultT RemoveTree(const FileNameC& dir) {
  hx::ResultT first = hx::RC_OK;
  auto note = [&first](hx::ResultT rc) {
    if (first == hx::RC_OK) first = rc;
  };
  std::vector<FileNameC> dirs;
  FileListerC lister(dir, hx::LIST_RECURSE);
  FileNameC name;
  FileInfoC info;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (name.empty()) {
      note(lister.lastError());
      lister.clearError();
    } else if (info.isDirectory()) {
      dirs.push_back(name);
    } else if (::unlink(name.c_str()) != 0) {
      note(LastError());
    }
  }
  for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
    if (::rmdir(it->c_str()) != 0) note(LastError());
  }
  if (::rmdir(dir.c_str()) != 0) note(LastError());
  return first;
}

}  // namespace

bool FileServiceC::exists(const FileNameC& path) const {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

int64_t FileServiceC::length(const FileNameC& path) const {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

time_t FileServiceC::lastModified(const FileNameC& path) const {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : static_cast<time_t>(-1);
}

hx::ResultT FileServiceC::info(const FileNameC& path, FileInfoC* info, bool followLinks) const {
  if (info == nullptr) return hx::RC_NULL_OUT;
  return info->read(path, followLinks);
}

FileNameC FileServiceC::createTempFile(const FileNameC& dir, std::string_view prefix,
                                       std::string_view suffix, uint32_t /*flags*/) const {
  std::string name;
  const int fd = OpenTemp(dir, prefix, suffix, &name);
  if (fd < 0) return FileNameC();
  ::close(fd);
  return FileNameC(std::move(name));
}

hx::ResultT FileServiceC::remove(const FileNameC& path, uint32_t flags) const {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return LastError();
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? hx::RC_OK : LastError();
  if (flags & hx::REMOVE_RECURSIVE) return RemoveTree(path);
  return ::rmdir(path.c_str()) == 0 ? hx::RC_OK : LastError();
}

hx::ResultT FileServiceC::mkdir(const FileNameC& path, bool recursive) const {
  if (::mkdir(path.c_str(), kNewFileMode) == 0) return hx::RC_OK;
  const int err = errno;
  if (err == EEXIST) return IsDirectory(path) ? hx::RC_OK : hx::RcFromErrno(err);
  if (err != ENOENT || !recursive) return hx::RcFromErrno(err);
  const FileNameC parent = path.parent();
  if (parent.empty() || parent == path) return hx::RcFromErrno(err);
  const hx::ResultT rc = mkdir(parent, true);
  if (hx::Failed(rc)) return rc;
  if (::mkdir(path.c_str(), kNewFileMode) == 0 || (errno == EEXIST && IsDirectory(path))) return hx::RC_OK;
  return LastError();
}

hx::ResultT FileServiceC::rename(const FileNameC& from, const FileNameC& to) const {
  if (::rename(from.c_str(), to.c_str()) == 0) return hx::RC_OK;
  if (errno != EXDEV || IsDirectory(from)) return LastError();
  // Another file system: the content moves by copy, then the source goes.
  const hx::ResultT rc = copy(from, to, 0, 0);
  if (hx::Failed(rc)) return rc;
  return ::unlink(from.c_str()) == 0 ? hx::RC_OK : LastError();
}

hx::ResultT FileServiceC::copy(const FileNameC& from, const FileNameC& to, uint32_t /*flags*/,
                               uint32_t /*moreFlags*/) const {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return LastError();
  struct stat st;
  hx::ResultT rc = hx::RC_OK;
  if (::fstat(in, &st) != 0) {
    rc = LastError();
  } else if (S_ISDIR(st.st_mode)) {
    rc = hx::RcFromErrno(EISDIR);
  }
  if (hx::Failed(rc)) {
    ::close(in);
    return rc;
  }
  // A hidden name beside the target, so that the rename stays within one file system.
  const std::string prefix = "." + to.baseName().substr(0, kTempBaseMax) + ".";
  std::string temp;
  const int out = OpenTemp(FileNameC(to.directory()), prefix, ".tmp", &temp);
  if (out < 0) {
    rc = LastError();
    ::close(in);
    return rc;
  }
  rc = CopyData(in, out);
  if (hx::Succeeded(rc) && ::fchmod(out, st.st_mode & kModeBits) != 0) rc = LastError();
  if (::close(out) != 0 && hx::Succeeded(rc)) rc = LastError();
  ::close(in);
  if (hx::Succeeded(rc) && ::rename(temp.c_str(), to.c_str()) != 0) rc = LastError();
  if (hx::Failed(rc)) ::unlink(temp.c_str());
  return rc;
}

FileListerC FileServiceC::getLister(const FileNameC& root, uint32_t flags) const {
  return FileListerC(root, flags);
}

FileNameArrayC FileServiceC::listRoots() const { return FileNameArrayC{FileNameC("/")}; }

hx::ResultT FileServiceC::walk(const FileNameC& root, FileListingSinkI& sink, uint32_t flags) const {
  FileListerC lister(root, flags);
  FileNameC name;
  FileInfoC info;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    long answer;
    if (!info.hasStatus()) {
      const FileNameC where = name.empty() ? lister.errorPath() : name;
      answer = sink.warning(&where, static_cast<long>(lister.lastError()));
      lister.clearError();
    } else if (info.isDirectory()) {
      answer = sink.addDir(&name);
      if (answer != 0) lister.ascend();
    } else {
      answer = sink.addFile(&name);
    }
    if (answer < 0) {
      lister.cancel();
      return static_cast<hx::ResultT>(answer);
    }
  }
  return hx::RC_OK;
}

std::string FileServiceC::systemPath(std::string_view fixedPath) const { return hx::MapSystemPath(fixedPath); }

FileServiceC* FileService() {
  static FileServiceC service;
  return &service;
}
