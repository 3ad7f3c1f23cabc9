#include "foundation/files/Trust.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace hx {

namespace {

constexpr int c_MaxLinks = 40;  // as the system's own path resolution allows
constexpr mode_t c_WritableByOthers = S_IWGRP | S_IWOTH;
constexpr size_t c_PasswordBuffer = 1024;

std::string Join(const std::string& dir, const std::string& name) { return dir == "/" ? "/" + name : dir + "/" + name; }

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string UserName(uid_t uid) {
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[c_PasswordBuffer];
  if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) != 0 || found == nullptr) return std::string();
  return found->pw_name;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
  return path.empty() ? std::string(cwd) : Join(cwd, path);
}

// Pushes the components of `path` so that the first is on top.
void PushComponents(const std::string& path, std::vector<std::string>& pending) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) pending.push_back(*it);
}

HX_NODISCARD ResultT Fail(TrustFailureT* f, const std::string& culprit, const struct stat& st, const char* reason) {
  f->culprit = culprit;
  f->owner = st.st_uid;
  f->mode = st.st_mode & 07777;
  f->reason = reason;
  return RC_UNTRUSTED;
}

HX_NODISCARD ResultT FailErrno(TrustFailureT* f, const std::string& culprit, int err) {
  f->culprit = culprit;
  f->error = err;
  return RcFromErrno(err);
}

// The owner and mode test of one entry that is not a link.
HX_NODISCARD ResultT CheckEntry(const std::string& path, const struct stat& st, TrustFailureT* f) {
  if (!IsTrustedOwner(st.st_uid)) return Fail(f, path, st, "owner");
  const bool sticky = S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
  if ((st.st_mode & c_WritableByOthers) != 0 && !sticky) return Fail(f, path, st, "writable");
  return RC_OK;
}

// How a walk treats the path it is given.
struct WalkT {
  bool create = false;     // missing directories are made (0700 under the process mask)
  bool directory = false;  // the path must be a real directory, not a link to one
};

// Opens a directory below `at` without following a link; O_PATH where the system has it, so
// that a directory one may search but not read can be walked as lstat could.
UniqueFdC OpenDirectoryAt(int at, const char* name) {
#ifdef O_PATH
  constexpr int c_Search = O_PATH;
#else
  constexpr int c_Search = O_RDONLY;
#endif
  return UniqueFdC(::openat(at, name, c_Search | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Every check is this one walk from "/". It holds a descriptor of the directory reached so far
// and examines, creates and opens the next entry relative to it, so an entry checked is the
// entry passed on: nobody can swap a directory on the way for a link in between. `dirFd`
// receives the descriptor of the last directory (the path itself when it is one).
HX_NODISCARD ResultT Walk(const std::string& path, const WalkT& how, std::string* resolved, UniqueFdC* dirFd, TrustFailureT* f) {
  struct stat st;
  std::string current = "/";
  UniqueFdC dir = OpenDirectoryAt(AT_FDCWD, "/");
  if (!dir.valid() || ::fstat(dir.get(), &st) != 0) return FailErrno(f, current, errno);
  ResultT rc = CheckEntry(current, st, f);
  if (Failed(rc)) return rc;
  std::vector<std::string> pending;
  PushComponents(Absolute(path), pending);
  int links = 0;
  while (!pending.empty()) {
    const std::string part = pending.back();
    pending.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      // The parent was checked on the way down ("/.." is "/" itself).
      dir = OpenDirectoryAt(dir.get(), "..");
      if (!dir.valid()) return FailErrno(f, current, errno);
      current = ParentOf(current);
      continue;
    }
    const std::string next = Join(current, part);
    int found = ::fstatat(dir.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    // A directory that appeared meanwhile is examined like any other.
    if (found != 0 && errno == ENOENT && how.create &&
        (::mkdirat(dir.get(), part.c_str(), 0700) == 0 || errno == EEXIST))
      found = ::fstatat(dir.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    if (found != 0) return FailErrno(f, next, errno);
    if (S_ISLNK(st.st_mode)) {
      if (how.directory && pending.empty()) return Fail(f, next, st, "ownlink");
      if (!IsTrustedOwner(st.st_uid)) return Fail(f, next, st, "link");
      if (++links > c_MaxLinks) return FailErrno(f, next, ELOOP);
      char target[PATH_MAX];
      const ssize_t n = ::readlinkat(dir.get(), part.c_str(), target, sizeof target - 1);
      if (n < 0) return FailErrno(f, next, errno);
      const std::string text(target, static_cast<size_t>(n));
      if (!text.empty() && text[0] == '/') {
        dir = OpenDirectoryAt(AT_FDCWD, "/");
        if (!dir.valid()) return FailErrno(f, "/", errno);
        current = "/";
      }
      PushComponents(text, pending);
      continue;
    }
    if (!S_ISDIR(st.st_mode)) {
      rc = CheckEntry(next, st, f);
      if (Failed(rc)) return rc;
      if (!pending.empty() || how.directory) return FailErrno(f, next, ENOTDIR);
      current = next;
      break;
    }
    // What was opened is what is checked: a directory swapped since its status was taken is
    // refused (a link: ELOOP) or judged as it is now.
    UniqueFdC opened = OpenDirectoryAt(dir.get(), part.c_str());
    if (!opened.valid() || ::fstat(opened.get(), &st) != 0) return FailErrno(f, next, errno);
    rc = CheckEntry(next, st, f);
    if (Failed(rc)) return rc;
    dir = std::move(opened);
    current = next;
  }
  if (resolved != nullptr) *resolved = current;
  if (dirFd != nullptr) *dirFd = std::move(dir);
  return RC_OK;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool IsTrustedOwner(uid_t uid) { return uid == 0 || uid == ::geteuid(); }

std::string TrustFailureT::Describe() const {
  if (error != 0) return Format("'%1$s' cannot be examined: %2$s", culprit, std::strerror(error));
  const std::string name = UserName(owner);
  const std::string who = Format("user %1$u", static_cast<unsigned>(owner)) + (name.empty() ? "" : " (" + name + ")");
  const std::string modeText = Format("%1$04o", static_cast<unsigned>(mode & 07777));
  if (reason == "ownlink")
    return Format("'%1$s' is a symbolic link (owned by %2$s) where a directory of the run's own belongs", culprit, who);
  if (reason == "link")
    return Format("'%1$s' is a symbolic link owned by %2$s; links on the way must belong to root or to the running user",
                  culprit, who);
  return Format(
      "'%1$s' is owned by %2$s with mode %3$s; it and every directory above it must belong to root or to the running "
      "user and must not be writable by group or others",
      culprit, who, modeText);
}

ResultT CheckTrusted(const std::string& path, std::string* resolved, TrustFailureT* failure) {
  TrustFailureT local;
  TrustFailureT* f = failure != nullptr ? failure : &local;
  *f = TrustFailureT();
  f->path = path;
  return Walk(path, WalkT{}, resolved, nullptr, f);
}

ResultT CheckTrustedPlace(const std::string& path, TrustFailureT* failure) {
  const ResultT rc = CheckTrusted(path, nullptr, failure);
  return ErrnoFromRc(rc) == ENOENT ? RC_OK : rc;
}

ResultT OpenTrustedDirectory(const std::string& dir, UniqueFdC* fd, TrustFailureT* failure) {
  TrustFailureT local;
  TrustFailureT* f = failure != nullptr ? failure : &local;
  *f = TrustFailureT();
  f->path = dir;
  return Walk(WithoutTrailingSlashes(dir), WalkT{true, true}, nullptr, fd, f);
}

ResultT EnsureTrustedDirectory(const std::string& dir, TrustFailureT* failure) {
  UniqueFdC fd;
  return OpenTrustedDirectory(dir, &fd, failure);
}

std::string ResolveLoadableLibrary(const std::string& nameOrPath) {
  if (nameOrPath.find('/') != std::string::npos) return nameOrPath;
  // The directories the dynamic loader searches for the program's own libraries, in its order
  // and with $ORIGIN expanded (LD_LIBRARY_PATH, the program's run path, the system's).
  std::unique_ptr<void, int (*)(void*)> self(::dlopen(nullptr, RTLD_LAZY), &::dlclose);
  Dl_serinfo probe;
  if (!self || ::dlinfo(self.get(), RTLD_DI_SERINFOSIZE, &probe) != 0) return nameOrPath;
  std::vector<char> storage(probe.dls_size);
  auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
  if (::dlinfo(self.get(), RTLD_DI_SERINFOSIZE, info) != 0 || ::dlinfo(self.get(), RTLD_DI_SERINFO, info) != 0)
    return nameOrPath;
  for (unsigned i = 0; i < info->dls_cnt; ++i) {
    const std::string candidate = Join(info->dls_serpath[i].dls_name, nameOrPath);
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
  }
  return nameOrPath;
}

ResultT CheckLoadableLibrary(const std::string& nameOrPath, TrustFailureT* failure) {
  const std::string resolved = ResolveLoadableLibrary(nameOrPath);
  // A bare name left is one only the system's own directories can answer.
  return resolved.find('/') != std::string::npos ? CheckTrusted(resolved, nullptr, failure) : RC_OK;
}

}  // namespace hx
