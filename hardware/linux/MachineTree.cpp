#include "hardware/linux/MachineTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>

#include "foundation/core/Text.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/SysRoot.h"

#if defined(SYS_openat2)
#include <linux/openat2.h>
#endif

namespace hxlinux {
namespace {

constexpr int c_MaxLinks = 40;
// The kernel's own file systems: what they hold is the kernel's answer, whoever
// owns the file.
constexpr long c_ProcMagic = 0x9fa0;
constexpr long c_SysfsMagic = 0x62656572;
constexpr mode_t c_WritableByOthers = S_IWGRP | S_IWOTH;
bool s_byHand = false;

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  for (const std::string& p : hx::Split(path, '/', true)) parts.push_back(p);
  return parts;
}

bool KernelFileSystem(int fd) {
  struct statfs fs {};
  return ::fstatfs(fd, &fs) == 0 &&
         (static_cast<long>(fs.f_type) == c_ProcMagic || static_cast<long>(fs.f_type) == c_SysfsMagic);
}

bool TrustedFile(int fd, const struct stat& st) {
  if (KernelFileSystem(fd)) return true;
  return (st.st_uid == 0 || st.st_uid == ::geteuid()) && (st.st_mode & c_WritableByOthers) == 0;
}

}  // namespace

const MachineTreeC& MachineTreeC::Machine() {
  // One per root: tests inventory several captured machines in one process.
  static std::unique_ptr<MachineTreeC> tree;
  const std::string root = hx::SystemRoot();
  if (!tree || tree->Root() != root) tree = std::make_unique<MachineTreeC>(root);
  return *tree;
}

MachineTreeC::MachineTreeC(const std::string& root) : root_(root) {
  rootFd_.reset(::open(root.empty() ? "/" : root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

hx::UniqueFdC MachineTreeC::Open(std::string_view path, int flags) const {
  if (!rootFd_.valid()) {
    errno = EBADF;
    return hx::UniqueFdC();
  }
  flags |= O_CLOEXEC;
  if ((flags & O_PATH) == 0) flags |= O_NOCTTY | O_NONBLOCK;
#if defined(SYS_openat2)
  if (s_byHand) return OpenByHand(path, flags);
  std::string rel(path);
  rel.erase(0, rel.find_first_not_of('/'));
  if (rel.empty()) rel = ".";
  struct open_how how {};
  how.flags = static_cast<uint64_t>(flags);
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  const long fd = ::syscall(SYS_openat2, rootFd_.get(), rel.c_str(), &how, sizeof how);
  if (fd >= 0) return hx::UniqueFdC(static_cast<int>(fd));
  // A kernel (or a filter) without openat2: the same rule by hand.
  if (errno != ENOSYS && errno != EPERM) return hx::UniqueFdC();
#endif
  return OpenByHand(path, flags);
}

// Walks the components one directory handle at a time: a link's target is taken
// apart and walked in its place, "/" goes back to the root and ".." never above
// it.
hx::UniqueFdC MachineTreeC::OpenByHand(std::string_view path, int flags) const {
  std::vector<hx::UniqueFdC> chain;
  chain.emplace_back(::fcntl(rootFd_.get(), F_DUPFD_CLOEXEC, 0));
  if (!chain.back().valid()) return hx::UniqueFdC();
  std::vector<std::string> pending = Components(path);
  std::reverse(pending.begin(), pending.end());
  int links = 0;
  while (!pending.empty()) {
    const std::string part = pending.back();
    pending.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      if (chain.size() > 1) chain.pop_back();
      continue;
    }
    struct stat st {};
    if (::fstatat(chain.back().get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return hx::UniqueFdC();
    if (S_ISLNK(st.st_mode)) {
      char target[PATH_MAX];
      const ssize_t n = ::readlinkat(chain.back().get(), part.c_str(), target, sizeof target - 1);
      if (++links > c_MaxLinks) {
        errno = ELOOP;
        return hx::UniqueFdC();
      }
      if (n < 0) return hx::UniqueFdC();
      const std::string text(target, static_cast<size_t>(n));
      if (!text.empty() && text[0] == '/') chain.resize(1);
      std::vector<std::string> more = Components(text);
      pending.insert(pending.end(), more.rbegin(), more.rend());
      continue;
    }
    if (pending.empty()) return hx::UniqueFdC(::openat(chain.back().get(), part.c_str(), flags | O_NOFOLLOW));
    chain.emplace_back(::openat(chain.back().get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!chain.back().valid()) return hx::UniqueFdC();
  }
  return hx::UniqueFdC(::openat(chain.back().get(), ".", flags));
}

void MachineTreeC::ResolveByHand(bool byHand) { s_byHand = byHand; }

bool MachineTreeC::Read(std::string_view path, std::string& text, size_t limit) const {
  text.clear();
  const hx::UniqueFdC fd = Open(path, O_RDONLY);
  if (!fd.valid()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !TrustedFile(fd.get(), st)) return false;
  // Kernel files give a size of 0 or of a page whatever they hold: read to the
  // end.
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<size_t>(n) > limit) {
      text.clear();
      return false;
    }
    if (n == 0) return true;
    text.append(buffer, static_cast<size_t>(n));
  }
}

std::string MachineTreeC::Text(std::string_view path, size_t limit) const {
  std::string text;
  HX_IGNORE_RESULT(Read(path, text, limit));  // what cannot be read is left empty, as this reader says
  return text;
}

std::string MachineTreeC::Value(std::string_view path) const { return hx::Trim(Text(path)); }

std::vector<std::string> MachineTreeC::List(std::string_view path) const {
  std::vector<std::string> names;
  // A directory that cannot be read lists nothing; one whose reading breaks off, what was read.
  HX_IGNORE_RESULT(hx::ListDirectory(Open(path, O_RDONLY | O_DIRECTORY), &names));
  std::sort(names.begin(), names.end());
  return names;
}

bool MachineTreeC::Link(std::string_view path, std::string& target) const {
  target.clear();
  const size_t slash = path.find_last_of('/');
  const std::string base(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (base.empty() || base == "." || base == "..") return false;
  const hx::UniqueFdC held =
      Open(slash == std::string_view::npos ? std::string_view(".") : path.substr(0, slash + 1), O_PATH | O_DIRECTORY);
  if (!held.valid()) return false;
  char buffer[PATH_MAX];
  const ssize_t n = ::readlinkat(held.get(), base.c_str(), buffer, sizeof buffer - 1);
  if (n < 0) return false;
  target.assign(buffer, static_cast<size_t>(n));
  return true;
}

std::string MachineTreeC::LinkName(std::string_view path) const {
  std::string target;
  if (!Link(path, target)) return std::string();
  const size_t slash = target.find_last_of('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

bool MachineTreeC::Exists(std::string_view path) const {
  return Open(path, O_PATH).valid();
}

bool MachineTreeC::IsDirectory(std::string_view path) const {
  return Open(path, O_PATH | O_DIRECTORY).valid();
}

}  // namespace hxlinux
