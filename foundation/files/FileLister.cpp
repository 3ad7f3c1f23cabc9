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
    pendingDevice_ = other.pendingDevice_;
    pendingInode_ = other.pendingInode_;
    done_ = other.done_;
    openHandles_ = other.openHandles_;
    entryName_ = std::move(other.entryName_);
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
    std::string entry;
    if (!nextName(stack_.back(), &entry)) {
      closeFrame(stack_.back());
      stack_.pop_back();
      continue;
    }
    const bool dotDot = entry == "..";
    if (entry == "." || (dotDot && !(flags_ & hx::LIST_DOTDOT))) continue;
    // A directory whose handle was given up for depth is opened again before its next entry.
    if (!ensureHandle(stack_.size() - 1)) {
      *name = FileNameC();
      info->clear();
      return hx::RC_OK;
    }
    const FrameT& top = stack_.back();
    const std::string rel = JoinRel(top.rel, entry);
    FileNameC full = fullPath(rel);
    readStatus(top, entry, full, info);
    *name = (flags_ & hx::LIST_RELATIVE_NAMES) ? FileNameC(rel) : std::move(full);
    entryName_ = std::move(entry);
    if (info->isDirectory() && !dotDot && (flags_ & hx::LIST_RECURSE)) {
      pending_ = true;
      pendingRel_ = rel;
      pendingDevice_ = info->device();
      pendingInode_ = info->inode();
    }
    return hx::RC_OK;
  }
  done_ = true;
  return hx::RC_LIST_END;
}

// Opens the pending directory and pushes it. Returns false after filling in the nameless
// entry that reports a directory that cannot be opened or is not the one whose status was read.
bool FileListerC::openPending(FileNameC* name, FileInfoC* info) {
  pending_ = false;
  const std::string rel = std::move(pendingRel_);
  pendingRel_.clear();
  const FileNameC full = fullPath(rel);
  hx::UniqueFdC owned;
  if (rel.empty()) {
    owned.reset(::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));  // the root may be given through a link
  } else {
    if (stack_.empty() || !ensureHandle(stack_.size() - 1)) {  // the error names the directory replaced
      *name = FileNameC();
      info->clear();
      return false;
    }
    owned = openChild(handleOf(stack_.back()), rel);
  }
  struct stat st;
  if (!owned.valid() || ::fstat(owned.get(), &st) != 0) {
    failEntry(errno, full, name, info);
    return false;
  }
  if (!rel.empty() && (static_cast<uint64_t>(st.st_dev) != pendingDevice_ || static_cast<uint64_t>(st.st_ino) != pendingInode_)) {
    failEntry(ESTALE, full, name, info);  // swapped since its status was read
    return false;
  }
  // A link back to a directory being walked: entering it would never end.
  if ((flags_ & hx::LIST_FOLLOW_LINKS) && isOnStack(st.st_dev, st.st_ino)) return true;
  if (openHandles_ >= c_MaxOpenDirs) releaseOldestHandle();
  hx::DirStreamC dir(std::move(owned));
  if (!dir.valid()) {
    failEntry(errno, full, name, info);
    return false;
  }
  FrameT frame;
  frame.rel = rel;
  frame.dir = std::move(dir);
  frame.device = static_cast<uint64_t>(st.st_dev);
  frame.inode = static_cast<uint64_t>(st.st_ino);
  frame.owner = static_cast<uint32_t>(st.st_uid);
  stack_.push_back(std::move(frame));
  ++openHandles_;
  return true;
}

hx::UniqueFdC FileListerC::openChild(int parent, const std::string& rel) const {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!(flags_ & hx::LIST_FOLLOW_LINKS)) flags |= O_NOFOLLOW;
  return hx::UniqueFdC(::openat(parent, LastComponent(rel).c_str(), flags));
}

// Gives stack_[index] a handle again: opened from the nearest directory above it that holds
// one, one component at a time, each checked against the device and inode it had when it was
// first opened. Directories on the way keep their handles while the limit allows. On failure
// the directories from the first one that fails down are dropped from the walk (their error
// recorded) and false comes back.
bool FileListerC::ensureHandle(size_t index) {
  if (handleOf(stack_[index]) >= 0 || index == 0) return handleOf(stack_[index]) >= 0;
  size_t from = index;
  while (from > 0 && handleOf(stack_[from - 1]) < 0) --from;
  hx::UniqueFdC current;
  for (size_t i = from; i <= index; ++i) {
    FrameT& frame = stack_[i];
    const int parent = current.valid() ? current.get() : handleOf(stack_[i - 1]);
    hx::UniqueFdC fd = openChild(parent, frame.rel);
    struct stat st;
    int err = 0;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
      err = errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? ESTALE : errno;
    } else if (static_cast<uint64_t>(st.st_dev) != frame.device || static_cast<uint64_t>(st.st_ino) != frame.inode) {
      err = ESTALE;
    }
    if (err != 0) {
      const FileNameC path = fullPath(frame.rel);
      while (stack_.size() > i) {
        closeFrame(stack_.back());
        stack_.pop_back();
      }
      setError(err, path);
      return false;
    }
    if (i < index && openHandles_ + 1 < c_MaxOpenDirs) {
      frame.fd = std::move(fd);  // kept: the walk comes back this way
      ++openHandles_;
      current.reset();
    } else {
      current = std::move(fd);
    }
  }
  if (openHandles_ >= c_MaxOpenDirs) releaseOldestHandle();
  stack_[index].fd = std::move(current);
  ++openHandles_;
  return true;
}

void FileListerC::failEntry(int err, const FileNameC& path, FileNameC* name, FileInfoC* info) {
  setError(err != 0 ? err : EIO, path);
  *name = FileNameC();
  info->clear();
}

bool FileListerC::isOnStack(uint64_t device, uint64_t inode) const {
  for (const FrameT& f : stack_) {
    if (f.device == device && f.inode == inode) return true;
  }
  return false;
}

bool FileListerC::nextName(FrameT& frame, std::string* entry) {
  if (!frame.dir.valid()) {
    if (frame.next >= frame.names.size()) return false;
    *entry = std::move(frame.names[frame.next++]);
    return true;
  }
  const struct dirent* d = frame.dir.next();
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
  if (::fstatat(handleOf(frame), entry.c_str(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
    setError(errno, full);
    info->clear();
    return;
  }
  info->assign(st);
}

// The root keeps its handle: every directory can be reached again from it.
void FileListerC::releaseOldestHandle() {
  for (size_t i = 1; i < stack_.size(); ++i) {
    FrameT& f = stack_[i];
    if (f.dir.valid()) {
      std::vector<std::string> rest;
      std::string entry;
      while (nextName(f, &entry)) rest.push_back(std::move(entry));
      closeFrame(f);
      f.names = std::move(rest);
      f.next = 0;
      return;
    }
    if (f.fd.valid()) {
      closeFrame(f);
      return;
    }
  }
}

void FileListerC::closeFrame(FrameT& frame) {
  if (frame.dir.valid()) {
    frame.dir.reset();
    --openHandles_;
  } else if (frame.fd.valid()) {
    frame.fd.reset();
    --openHandles_;
  }
}

void FileListerC::closeAll() {
  for (FrameT& f : stack_) closeFrame(f);
  stack_.clear();
}

int FileListerC::entryDirHandle() const { return stack_.empty() ? -1 : handleOf(stack_.back()); }

uint32_t FileListerC::entryDirOwner() const { return stack_.empty() ? 0 : stack_.back().owner; }

std::shared_ptr<const hx::UniqueFdC> FileListerC::sharedEntryDir() {
  if (stack_.empty() || handleOf(stack_.back()) < 0) return nullptr;
  FrameT& top = stack_.back();
  if (!top.shared) {
    const int copy = ::fcntl(handleOf(top), F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return nullptr;
    top.shared = std::make_shared<hx::UniqueFdC>(copy);
  }
  return top.shared;
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
