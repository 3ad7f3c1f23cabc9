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
#include "foundation/files/SafeFile.h"
#include "foundation/log/EarlyLog.h"

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

ResultT Fail(TrustFailureT* f, const std::string& culprit, const struct stat& st, const char* reason) {
  f->culprit = culprit;
  f->owner = st.st_uid;
  f->mode = st.st_mode & 07777;
  f->reason = reason;
  return RC_UNTRUSTED;
}

ResultT FailErrno(TrustFailureT* f, const std::string& culprit, int err) {
  f->culprit = culprit;
  f->error = err;
  return RcFromErrno(err);
}

// The owner and mode test of one entry that is not a link.
ResultT CheckEntry(const std::string& path, const struct stat& st, TrustFailureT* f) {
  if (!IsTrustedOwner(st.st_uid)) return Fail(f, path, st, "owner");
  const bool sticky = S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
  if ((st.st_mode & c_WritableByOthers) != 0 && !sticky) return Fail(f, path, st, "writable");
  return RC_OK;
}

ResultT Resolve(const std::string& path, std::string* resolved, TrustFailureT* f) {
  struct stat st;
  std::string current = "/";
  if (::lstat("/", &st) != 0) return FailErrno(f, current, errno);
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
      current = ParentOf(current);  // checked on the way down
      continue;
    }
    const std::string next = Join(current, part);
    if (::lstat(next.c_str(), &st) != 0) return FailErrno(f, next, errno);
    if (S_ISLNK(st.st_mode)) {
      if (!IsTrustedOwner(st.st_uid)) return Fail(f, next, st, "link");
      if (++links > c_MaxLinks) return FailErrno(f, next, ELOOP);
      char target[PATH_MAX];
      const ssize_t n = ::readlink(next.c_str(), target, sizeof target - 1);
      if (n < 0) return FailErrno(f, next, errno);
      const std::string text(target, static_cast<size_t>(n));
      if (!text.empty() && text[0] == '/') current = "/";
      PushComponents(text, pending);
      continue;
    }
    rc = CheckEntry(next, st, f);
    if (Failed(rc)) return rc;
    if (!pending.empty() && !S_ISDIR(st.st_mode)) return FailErrno(f, next, ENOTDIR);
    current = next;
  }
  if (resolved != nullptr) *resolved = current;
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
  return Resolve(path, resolved, f);
}

ResultT CheckTrustedPlace(const std::string& path, TrustFailureT* failure) {
  const ResultT rc = CheckTrusted(path, nullptr, failure);
  return ErrnoFromRc(rc) == ENOENT ? RC_OK : rc;
}

ResultT EnsureTrustedDirectory(const std::string& dirIn, TrustFailureT* failure) {
  TrustFailureT local;
  TrustFailureT* f = failure != nullptr ? failure : &local;
  const std::string dir = WithoutTrailingSlashes(Absolute(dirIn));
  ResultT rc = CheckTrusted(dir, nullptr, f);
  if (ErrnoFromRc(rc) == ENOENT && dir != "/") {
    rc = EnsureTrustedDirectory(ParentOf(dir), f);
    if (Failed(rc)) {
      f->path = dirIn;
      return rc;
    }
    // An entry that appeared meanwhile is examined like any other below.
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return FailErrno(f, dir, errno);
    rc = CheckTrusted(dir, nullptr, f);
  }
  f->path = dirIn;
  if (Failed(rc)) return rc;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return FailErrno(f, dir, errno);
  if (S_ISLNK(st.st_mode)) return Fail(f, dir, st, "ownlink");
  if (!S_ISDIR(st.st_mode)) return FailErrno(f, dir, ENOTDIR);
  return RC_OK;
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

std::FILE* OpenTrustedStream(const std::string& path) {
  TrustFailureT failure;
  const ResultT trust = CheckTrustedPlace(path, &failure);
  if (Failed(trust)) {
    if (trust == RC_UNTRUSTED) ReportRefusal(failure, true);
    errno = trust == RC_UNTRUSTED ? EACCES : ErrnoFromRc(trust);
    return nullptr;
  }
  UniqueFdC fd;
  const ResultT rc = OpenForWriting(path, O_TRUNC, 0600, &fd);
  if (Failed(rc)) {
    errno = ErrnoFromRc(rc);
    return nullptr;
  }
  std::FILE* stream = ::fdopen(fd.get(), "w");
  if (stream != nullptr) fd.release();
  return stream;
}

void ReportRefusal(const TrustFailureT& failure, bool toStandardError) {
  LogEarlyArgs(RC_UNTRUSTED, TXT_UNTRUSTED, {failure.path, failure.Describe()}, toStandardError);
}

}  // namespace hx
