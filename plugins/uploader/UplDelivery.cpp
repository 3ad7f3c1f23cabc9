#include "plugins/uploader/UplDelivery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "plugins/uploader/UplMessages.h"

namespace upl {
namespace {

constexpr const char* c_FileScheme = "file://";
constexpr const char* c_SchemeMark = "://";
constexpr const char* c_LocalHost = "localhost";
constexpr const char* c_StagingSuffix = ".tmp";
constexpr const char* c_TempPrefix = ".upl-";
constexpr const char* c_CompressedSuffix = ".gz";
// Inventories describe the machine: readable by the owner alone.
constexpr mode_t c_DeliveredMode = 0600;
constexpr size_t c_CopyBuffer = 64 * 1024;

bool EqualsNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

OutcomeT SystemFailure(int err, const std::string& what) {
  return {hx::RcFromErrno(err), what + ": " + std::strerror(err)};
}

// 0, an error number, or ECANCELED when the run is being stopped.
HX_NODISCARD int CopyContent(int in, int out, const StoppingT& stopping) {
  std::vector<char> buffer(c_CopyBuffer);
  for (;;) {
    if (stopping && stopping()) return ECANCELED;
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0 ? 0 : errno;
    const hx::ResultT written = hx::WriteAll(out, std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (hx::Failed(written)) return hx::ErrnoFromRc(written);
  }
}

}  // namespace

std::string NameWithPart(const std::string& name, const std::string& part) {
  size_t cut = name.rfind('.');
  if (cut != std::string::npos && cut > 0 && name.compare(cut, std::strlen(c_CompressedSuffix), c_CompressedSuffix) == 0 &&
      cut == name.size() - std::strlen(c_CompressedSuffix)) {
    const size_t before = name.rfind('.', cut - 1);
    if (before != std::string::npos && before > 0) cut = before;
  }
  if (cut == std::string::npos || cut == 0) cut = name.size();
  return name.substr(0, cut) + "-" + part + name.substr(cut);
}

std::string NumberedName(const std::string& name, int n) { return NameWithPart(name, std::to_string(n)); }

// A hard link fails when the name is taken, and the next numbered name is tried.
int PublishUnder(int fromDir, const std::string& from, int toDir, const std::string& name, std::string* taken) {
  for (int n = 1; n <= c_MaxNumberedNames; ++n) {
    *taken = n == 1 ? name : NumberedName(name, n);
    if (::linkat(fromDir, from.c_str(), toDir, taken->c_str(), 0) == 0) {
      ::unlinkat(fromDir, from.c_str(), 0);
      return 0;
    }
    if (errno == EEXIST) continue;
    // A file system without hard links: the name is claimed with an exclusive creation and
    // the finished file renamed onto the claim.
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
    hx::UniqueFdC claim;
    const hx::ResultT rc = hx::CreateExclusiveAt(toDir, *taken, c_DeliveredMode, &claim);
    if (hx::ErrnoFromRc(rc) == EEXIST) continue;
    if (hx::Failed(rc)) return hx::ErrnoFromRc(rc);
    return ::renameat(fromDir, from.c_str(), toDir, taken->c_str()) == 0 ? 0 : errno;
  }
  return EEXIST;
}

OutcomeT Stopped(const std::string& name, const std::string& where) {
  return {MSG_STOPPED, "The upload of '" + name + "' to " + where + " was stopped: the run is being cancelled"};
}

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
                                 "' is not a local directory, a file:// location or an HTTP(S) server"};
  }
  const size_t last = path.rfind('/');
  if (last == std::string::npos) return {hx::RC_INVALID_ARG, "The upload rule '" + ruleValue + "' names no directory"};
  *dir = last == 0 ? std::string("/") : path.substr(0, last);
  return {};
}

bool UnderMissingTopDirectory(const std::string& dir) {
  // Judged on the path as written, "." and ".." taken away: "/tmp/../Inventories" is made at
  // the root as much as "/Inventories" is.
  const std::filesystem::path normal = std::filesystem::path(dir).lexically_normal();
  if (!normal.has_root_directory()) return false;
  const std::filesystem::path relative = normal.relative_path();
  if (relative.empty()) return false;
  struct stat st {};
  return ::lstat((normal.root_path() / *relative.begin()).c_str(), &st) != 0 && errno == ENOENT;
}

OutcomeT StagedFiles(const std::string& dir, std::vector<std::string>* names) {
  hx::DirStreamC d(dir);
  if (!d.valid()) {
    if (errno == ENOENT) return {};
    return SystemFailure(errno, "Cannot read the staging directory '" + dir + "'");
  }
  while (const struct dirent* e = d.next()) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || EndsWith(name, c_StagingSuffix)) continue;
    // Only regular files, judged by their own status: a link in the staging directory is not a
    // staged file, whatever it points to.
    struct stat st {};
    if (::lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names->push_back(name);
  }
  return {};
}

OutcomeT OpenDeliveryDirectory(const std::string& dir, hx::UniqueFdC* fd) {
  hx::TrustFailureT failure;
  const hx::ResultT rc = hx::OpenTrustedDirectory(dir, fd, &failure);
  if (rc == hx::RC_UNTRUSTED)
    return {MSG_UNTRUSTED, "The upload location '" + dir + "' is not trusted and is not used: " + failure.Describe()};
  if (hx::ErrnoFromRc(rc) == ENOTDIR && failure.culprit == dir)
    return {rc, "The upload location '" + dir + "' is not a directory"};
  if (hx::Failed(rc)) return SystemFailure(hx::ErrnoFromRc(rc), "Cannot create the upload location '" + failure.culprit + "'");
  return {};
}

OutcomeT Deliver(const std::string& source, int dirFd, const std::string& dir, const std::string& name,
                 const StoppingT& stopping, std::string* taken) {
  hx::UniqueFdC in;
  const hx::ResultT opened = hx::OpenForReading(source, &in);
  if (hx::Failed(opened)) return SystemFailure(hx::ErrnoFromRc(opened), "Cannot read the staged file '" + source + "'");
  std::string temp;
  hx::UniqueFdC out;
  const hx::ResultT created = hx::CreateUniqueAt(dirFd, "", c_TempPrefix, "", &temp, &out, c_DeliveredMode);
  if (hx::Failed(created)) return SystemFailure(hx::ErrnoFromRc(created), "Cannot write to the upload location '" + dir + "'");
  int err = CopyContent(in.get(), out.get(), stopping);
  if (err == 0 && ::fsync(out.get()) != 0) err = errno;
  const hx::ResultT closed = out.close();
  if (err == 0 && hx::Failed(closed)) err = hx::ErrnoFromRc(closed);
  if (err == 0) err = PublishUnder(dirFd, temp, dirFd, name, taken);
  if (err == 0) return {};
  ::unlinkat(dirFd, temp.c_str(), 0);
  if (err == ECANCELED) return Stopped(name, dir);
  return SystemFailure(err, "Cannot deliver '" + name + "' to '" + dir + "'");
}

}  // namespace upl
