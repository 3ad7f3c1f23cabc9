#include "plugins/uploader/UplDelivery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <vector>

#include "foundation/core/Result.h"

namespace upl {
namespace {

constexpr const char* c_FileScheme = "file://";
constexpr const char* c_SchemeMark = "://";
constexpr const char* c_LocalHost = "localhost";
constexpr const char* c_StagingSuffix = ".tmp";
constexpr const char* c_TempPattern = "/.upl-XXXXXX";
constexpr mode_t c_DirectoryMode = 0755;
constexpr mode_t c_DeliveredMode = 0644;
constexpr size_t c_CopyBuffer = 64 * 1024;

bool EqualsNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

OutcomeT SystemFailure(int err, const std::string& what) {
  return {hx::RcFromErrno(err), what + ": " + std::strerror(err)};
}

// Closes a descriptor when it goes out of scope.
class FdC {
 public:
  explicit FdC(int fd) : fd_(fd) {}
  ~FdC() { if (fd_ >= 0) ::close(fd_); }
  FdC(const FdC&) = delete;
  FdC& operator=(const FdC&) = delete;
  int get() const { return fd_; }
  int release() { const int fd = fd_; fd_ = -1; return fd; }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyContent(int in, int out) {
  std::vector<char> buffer(c_CopyBuffer);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
  }
}

}  // namespace

std::string StagingDirectory(const UploadSettingsT& s) {
  if (!s.uploadDirectory.empty()) return s.uploadDirectory;
  const bool machine = s.uploadType.empty() || EqualsNoCase(s.uploadType, "Machine");
  return machine ? s.machineUploadDirectory : s.userUploadDirectory;
}

OutcomeT LocationDirectory(const std::string& ruleValue, std::string* dir) {
  std::string path = ruleValue;
  if (path.compare(0, std::strlen(c_FileScheme), c_FileScheme) == 0) {
    path = path.substr(std::strlen(c_FileScheme));
    const size_t slash = path.find('/');
    const std::string host = path.substr(0, slash);
    if (slash == std::string::npos || (!host.empty() && !EqualsNoCase(host, c_LocalHost)))
      return {hx::RC_NOT_IMPL, "The upload location '" + ruleValue + "' is not on this computer"};
    path = path.substr(slash);
  } else if (path.find(c_SchemeMark) != std::string::npos) {
    return {hx::RC_NOT_IMPL, "The upload location '" + ruleValue +
                                 "' is not a local directory or a file:// location"};
  }
  const size_t last = path.rfind('/');
  if (last == std::string::npos) return {hx::RC_INVALID_ARG, "The upload rule '" + ruleValue + "' names no directory"};
  *dir = last == 0 ? std::string("/") : path.substr(0, last);
  return {};
}

OutcomeT StagedFiles(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) {
    if (errno == ENOENT) return {};
    return SystemFailure(errno, "Cannot read the staging directory '" + dir + "'");
  }
  while (const struct dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || EndsWith(name, c_StagingSuffix)) continue;
    struct stat st {};
    if (::stat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names->push_back(name);
  }
  ::closedir(d);
  return {};
}

OutcomeT MakeDirectories(const std::string& dir) {
  std::string prefix;
  size_t at = 0;
  while (at != std::string::npos) {
    const size_t next = dir.find('/', at + 1);
    prefix = dir.substr(0, next);
    at = next;
    if (prefix.empty() || ::mkdir(prefix.c_str(), c_DirectoryMode) == 0 || errno == EEXIST) continue;
    return SystemFailure(errno, "Cannot create the upload location '" + prefix + "'");
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return {hx::RcFromErrno(ENOTDIR), "The upload location '" + dir + "' is not a directory"};
  return {};
}

OutcomeT Deliver(const std::string& source, const std::string& dir, const std::string& name) {
  FdC in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return SystemFailure(errno, "Cannot read the staged file '" + source + "'");
  std::string temp = dir + c_TempPattern;
  FdC out(::mkstemp(temp.data()));
  if (out.get() < 0) return SystemFailure(errno, "Cannot write to the upload location '" + dir + "'");
  bool ok = CopyContent(in.get(), out.get()) && ::fchmod(out.get(), c_DeliveredMode) == 0;
  int err = ok ? 0 : errno;
  if (::close(out.release()) != 0 && ok) {
    ok = false;
    err = errno;
  }
  const std::string target = dir + "/" + name;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (ok) return {};
  ::unlink(temp.c_str());
  return SystemFailure(err != 0 ? err : EIO, "Cannot deliver '" + name + "' to '" + dir + "'");
}

}  // namespace upl
