#include "plugins/uploader/UplSpool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/api/UploaderPreferences.h"
#include "foundation/core/Result.h"
#include "foundation/files/SafeFile.h"
#include "plugins/uploader/UplMessages.h"

namespace upl {
namespace {

constexpr mode_t c_SpoolMode = 0700;
constexpr mode_t c_MarkMode = 0600;
constexpr mode_t c_OthersWrite = S_IWGRP | S_IWOTH;

struct WaitingT {
  std::string name;
  struct timespec modified;
};

bool Older(const WaitingT& a, const WaitingT& b) {
  if (a.modified.tv_sec != b.modified.tv_sec) return a.modified.tv_sec < b.modified.tv_sec;
  if (a.modified.tv_nsec != b.modified.tv_nsec) return a.modified.tv_nsec < b.modified.tv_nsec;
  return a.name < b.name;
}

OutcomeT Refused(const std::string& spool, const std::string& why) {
  return {MSG_SPOOL, "The spool '" + spool + "' is not used: " + why};
}

}  // namespace

OutcomeT CheckSpool(const std::string& spool, bool create) {
  if (create && ::mkdir(spool.c_str(), c_SpoolMode) != 0 && errno != EEXIST)
    return {hx::RcFromErrno(errno), "Cannot create the spool '" + spool + "': " + std::strerror(errno)};
  struct stat st {};
  if (::lstat(spool.c_str(), &st) != 0) return !create && errno == ENOENT ? OutcomeT{} : Refused(spool, std::strerror(errno));
  if (!S_ISDIR(st.st_mode)) return Refused(spool, "it is not a directory");
  if (st.st_uid != ::geteuid() || (st.st_mode & c_OthersWrite) != 0)
    return Refused(spool, "it belongs to user " + std::to_string(st.st_uid) + " with mode " +
                              std::to_string(st.st_mode & 07777));
  return {};
}

OutcomeT SpoolFiles(const std::string& spool, std::vector<std::string>* names) {
  std::vector<std::string> all;
  OutcomeT outcome = StagedFiles(spool, &all);
  if (!outcome.ok()) return outcome;
  std::vector<WaitingT> waiting;
  for (const std::string& name : all) {
    struct stat st {};
    if (name == c_FullInventoryMark || ::lstat((spool + "/" + name).c_str(), &st) != 0) continue;
    waiting.push_back({name, st.st_mtim});
  }
  std::sort(waiting.begin(), waiting.end(), Older);
  for (const WaitingT& w : waiting) names->push_back(w.name);
  return {};
}

OutcomeT MoveToSpool(const std::string& source, const std::string& spool, const std::string& name,
                     std::string* spooled) {
  // A link under the new name, then the staged name removed: the file keeps its modification
  // time (its place among the waiting ones) and never replaces one that waits.
  const hx::UniqueFdC dir(::open(spool.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  const int err = dir.valid() ? PublishUnder(AT_FDCWD, source, dir.get(), name, spooled) : errno;
  if (err == 0) return {};
  return {hx::RcFromErrno(err), "Cannot keep '" + name + "' in the spool '" + spool + "': " + std::strerror(err)};
}

std::vector<std::string> TrimSpool(const std::string& spool, size_t most) {
  std::vector<std::string> waiting;
  std::vector<std::string> dropped;
  if (!SpoolFiles(spool, &waiting).ok() || waiting.size() <= most) return dropped;
  for (size_t i = 0; i < waiting.size() - most; ++i) {
    if (::unlink((spool + "/" + waiting[i]).c_str()) == 0) dropped.push_back(waiting[i]);
  }
  return dropped;
}

OutcomeT SetFullInventoryMark(const std::string& spool, bool set) {
  const std::string mark = spool + "/" + c_FullInventoryMark;
  if (!set) {
    ::unlink(mark.c_str());  // a mark left behind only asks for one more full inventory
    return {};
  }
  if (hx::IsRegularFileNoFollow(mark)) return {};
  ::unlink(mark.c_str());  // whatever else stands there (a link) is not the mark
  hx::UniqueFdC fd;
  const hx::ResultT rc = hx::CreateExclusive(mark, c_MarkMode, &fd);
  if (hx::Succeeded(rc)) return {};
  return {rc, "Cannot leave the mark '" + mark + "' that asks for a full inventory: " + std::strerror(hx::ErrnoFromRc(rc))};
}

}  // namespace upl
