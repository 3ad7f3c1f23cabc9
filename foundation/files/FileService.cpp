#include "foundation/files/FileService.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/TraceHook.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/SysRoot.h"

namespace {

constexpr const char* kTraceCategory = "Foundation/Files";
constexpr mode_t kNewFileMode = 0777;             // before the process umask
constexpr mode_t kModeBits = 07777;
constexpr size_t kCopyBufferSize = 64 * 1024;

HX_NODISCARD hx::ResultT LastError() { return hx::RcFromErrno(errno); }

HX_NODISCARD hx::ResultT CopyData(int in, int out) {
  std::vector<char> buffer(kCopyBufferSize);
  while (true) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return hx::RC_OK;
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    const hx::ResultT rc = hx::WriteAll(out, std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (hx::Failed(rc)) return rc;
  }
}

bool IsDirectory(const FileNameC& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Removes everything below dir, then dir: files as the walk meets them, directories deepest
// first once the walk is over.
HX_NODISCARD hx::ResultT RemoveTree(const FileNameC& dir) {
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
  hx::UniqueFdC fd;
  if (hx::Failed(hx::CreateUnique(dir.str(), prefix, suffix, &name, &fd))) {
    hx::HookTrace(kTraceCategory, "Cannot create a temporary file in '%s': %d\n", dir.text(), errno);
    return FileNameC();
  }
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
  hx::UniqueFdC in;
  hx::ResultT rc = hx::OpenForReading(from.str(), &in);
  if (hx::Failed(rc)) return rc;
  struct stat st;
  if (::fstat(in.get(), &st) != 0) return LastError();
  // A hidden name beside the target, so that the rename stays within one file system.
  hx::AtomicFileC out;
  rc = out.Open(to.str(), st.st_mode & kModeBits);
  if (hx::Succeeded(rc)) rc = CopyData(in.get(), out.fd());
  return hx::Succeeded(rc) ? out.Commit() : rc;
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
