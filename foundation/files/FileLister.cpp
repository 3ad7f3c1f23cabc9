#include "foundation/files/FileLister.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string JoinRel(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  std::string rel;
  rel.reserve(dir.size() + 1 + name.size());  // one allocation per entry, not three
  rel.append(dir).push_back('/');
  rel.append(name);
  return rel;
}

std::string LastComponent(const std::string& rel) {
  const size_t slash = rel.rfind('/');
  return slash == std::string::npos ? rel : rel.substr(slash + 1);
}

}  // namespace

FileListerC::FileListerC(FileNameC root, uint32_t flags) : root_(std::move(root)), flags_(flags) {}

FileListerC::~FileListerC() { closeAll(); }

FileListerC::FileListerC(FileListerC&& other) noexcept { *this = std::move(other); }

FileListerC& FileListerC::operator=(FileListerC&& other) noexcept {
  if (this != &other) {
    closeAll();
    root_ = std::move(other.root_);
    flags_ = other.flags_;
    stack_ = std::move(other.stack_);
    pending_ = other.pending_;
    pendingRel_ = std::move(other.pendingRel_);
    done_ = other.done_;
    openHandles_ = other.openHandles_;
    error_ = other.error_;
    errorPath_ = std::move(other.errorPath_);
    other.stack_.clear();
    other.openHandles_ = 0;
    other.pending_ = false;
    other.done_ = true;
  }
  return *this;
}

hx::ResultT FileListerC::getNext(FileNameC* name, FileInfoC* info) {
  while (!done_) {
    if (pending_ && !openPending(name, info)) return hx::RC_OK;
    if (stack_.empty()) break;
    FrameT& top = stack_.back();
    std::string entry;
    if (!nextName(top, &entry)) {
      closeFrame(top);
      stack_.pop_back();
      continue;
    }
    const bool dotDot = entry == "..";
    if (entry == "." || (dotDot && !(flags_ & hx::LIST_DOTDOT))) continue;

    const std::string rel = JoinRel(top.rel, entry);
    FileNameC full = fullPath(rel);
    readStatus(top, entry, full, info);
    *name = (flags_ & hx::LIST_RELATIVE_NAMES) ? FileNameC(rel) : std::move(full);
    if (info->isDirectory() && !dotDot && (flags_ & hx::LIST_RECURSE)) {
      pending_ = true;
      pendingRel_ = rel;
    }
    return hx::RC_OK;
  }
  done_ = true;
  return hx::RC_LIST_END;
}

// Opens the pending directory and pushes it. Returns false after filling in the nameless
// entry that reports a directory that cannot be opened.
bool FileListerC::openPending(FileNameC* name, FileInfoC* info) {
  pending_ = false;
  const std::string rel = std::move(pendingRel_);
  pendingRel_.clear();
  const FileNameC full = fullPath(rel);
  if (openHandles_ >= c_MaxOpenDirs) releaseOldestHandle();

  // The root may be given through a link; below it a link is entered only when links are
  // followed (a directory replaced by a link since its status was read is not).
  int openFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!rel.empty() && !(flags_ & hx::LIST_FOLLOW_LINKS)) openFlags |= O_NOFOLLOW;
  int fd;
  if (!rel.empty() && !stack_.empty() && stack_.back().dir != nullptr) {
    fd = ::openat(dirfd(stack_.back().dir), LastComponent(rel).c_str(), openFlags);
  } else {
    fd = ::open(full.c_str(), openFlags);
  }
  struct stat st;
  DIR* dir = nullptr;
  int err = 0;
  if (fd < 0 || ::fstat(fd, &st) != 0 || (dir = ::fdopendir(fd)) == nullptr) err = errno;
  if (err == 0 && (flags_ & hx::LIST_FOLLOW_LINKS) && isOnStack(st.st_dev, st.st_ino)) {
    // A link back to a directory being walked: entering it would never end.
    ::closedir(dir);
    return true;
  }
  if (err != 0) {
    if (fd >= 0) ::close(fd);
    setError(err, full);
    *name = FileNameC();
    info->clear();
    return false;
  }
  FrameT frame;
  frame.rel = rel;
  frame.dir = dir;
  frame.device = static_cast<uint64_t>(st.st_dev);
  frame.inode = static_cast<uint64_t>(st.st_ino);
  stack_.push_back(std::move(frame));
  ++openHandles_;
  return true;
}

bool FileListerC::isOnStack(uint64_t device, uint64_t inode) const {
  for (const FrameT& f : stack_) {
    if (f.device == device && f.inode == inode) return true;
  }
  return false;
}

bool FileListerC::nextName(FrameT& frame, std::string* entry) {
  if (frame.dir == nullptr) {
    if (frame.next >= frame.names.size()) return false;
    *entry = std::move(frame.names[frame.next++]);
    return true;
  }
  errno = 0;
  const struct dirent* d = ::readdir(frame.dir);
  if (d == nullptr) {
    if (errno != 0) setError(errno, fullPath(frame.rel));
    return false;
  }
  entry->assign(d->d_name);
  return true;
}

void FileListerC::readStatus(const FrameT& frame, const std::string& entry, const FileNameC& full,
                             FileInfoC* info) {
  const bool follow = (flags_ & hx::LIST_FOLLOW_LINKS) != 0;
  struct stat st;
  int rc;
  if (frame.dir != nullptr) {
    rc = ::fstatat(dirfd(frame.dir), entry.c_str(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW);
  } else {
    rc = follow ? ::stat(full.c_str(), &st) : ::lstat(full.c_str(), &st);
  }
  if (rc != 0) {
    setError(errno, full);
    info->clear();
    return;
  }
  info->assign(st);
}

void FileListerC::releaseOldestHandle() {
  for (FrameT& f : stack_) {
    if (f.dir == nullptr) continue;
    std::vector<std::string> rest;
    std::string entry;
    while (nextName(f, &entry)) rest.push_back(std::move(entry));
    closeFrame(f);
    f.names = std::move(rest);
    f.next = 0;
    return;
  }
}

void FileListerC::closeFrame(FrameT& frame) {
  if (frame.dir == nullptr) return;
  ::closedir(frame.dir);
  frame.dir = nullptr;
  --openHandles_;
}

void FileListerC::closeAll() {
  for (FrameT& f : stack_) closeFrame(f);
  stack_.clear();
}

void FileListerC::ascend() {
  // The root (relative path "") is pending only before the first entry; nothing was returned
  // yet that could be skipped.
  if (!pending_ || pendingRel_.empty()) return;
  pending_ = false;
  pendingRel_.clear();
}

void FileListerC::cancel() {
  closeAll();
  pending_ = false;
  pendingRel_.clear();
  done_ = true;
}

void FileListerC::setError(int err, const FileNameC& path) {
  error_ = hx::RcFromErrno(err);
  errorPath_ = path;
}

void FileListerC::clearError() {
  error_ = hx::RC_OK;
  errorPath_ = FileNameC();
}
