#include "prefs/registry/ConfRegIniFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "foundation/core/FileName.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/EarlyLog.h"
#include "foundation/messages/TrackerMessages.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/Tracer.h"
#include "prefs/registry/ConfClock.h"
#include "prefs/registry/ConfRegCodes.h"

namespace {
constexpr const char* kTraceCategory = "Tracker/Registry";
constexpr hx::ResultT LOG_INI_UNREADABLE = trk::TrkMsg(0x0077);
constexpr const char* TXT_INI_UNREADABLE =
    "\x01\x01" "e\x01" "ERROR: Configuration file '%1$s' could not be read: %2$s; its values are not used";
}

ConfRegIniFileC::ConfRegIniFileC(StringC path, StringC root, StringC subkey)
    : path_(std::move(path)),
      root_(std::move(root)),
      subkey_(std::move(subkey)),
      mountPoint_(subkey_.empty() ? root_ : root_ + "\\" + subkey_),
      lock_(path_) {}

bool ConfRegIniFileC::stampOnDisk(StampT* stamp) const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return false;
  stamp->mtimeSec = st.st_mtim.tv_sec;
  stamp->mtimeNsec = st.st_mtim.tv_nsec;
  stamp->inode = st.st_ino;
  stamp->size = st.st_size;
  return true;
}

hx::ResultT ConfRegIniFileC::read() {
  lastCheckNs_ = hx::ConfNowNs();
  StampT stamp;
  if (!stampOnDisk(&stamp)) stamp = StampT();
  hx::ResultT rc = prefs_.Load(path_);
  if (hx::Succeeded(rc) || stamp.mtimeSec == 0) stamp_ = stamp;
  // A missing file is an empty one; a file that is there and cannot be read is not: what the
  // administrator configured would silently not apply.
  if (hx::Failed(rc) && hx::ErrnoFromRc(rc) != ENOENT)
    hx::LogEarly(LOG_INI_UNREADABLE, TXT_INI_UNREADABLE, path_, std::strerror(hx::ErrnoFromRc(rc)));
  hx::Trace(kTraceCategory, "Read configuration file '%s': %#x", path_, static_cast<uint32_t>(rc));
  return rc;
}

void ConfRegIniFileC::checkReload() {
  const int64_t now = hx::ConfNowNs();
  if (now - lastCheckNs_ < hx::kConfNsPerSecond) return;
  lastCheckNs_ = now;
  StampT stamp;
  // A file that is gone keeps its last content: a writer renaming over it may be in between.
  if (!stampOnDisk(&stamp) || stamp.mtimeSec <= 0 || stamp == stamp_) return;
  HX_IGNORE_RESULT(read());  // a file that cannot be read is logged and keeps its last content
}

hx::ResultT ConfRegIniFileC::save() {
  // The lock file lives beside the file, so a missing directory is made first.
  const StringC dir = FileNameC(path_).directory();
  hx::TrustFailureT failure;
  const hx::ResultT trusted = dir.empty() ? hx::RC_OK : hx::EnsureTrustedDirectory(dir, &failure);
  if (trusted == hx::RC_UNTRUSTED) hx::ReportRefusal(failure);
  if (hx::Failed(trusted)) {
    hx::Trace(kTraceCategory, "Cannot create the directory of '%s'", path_);
    return CONF_REG_E_SAVE;
  }
  const bool tookLock = !lock_.held();
  if (tookLock) {
    hx::ResultT rc = lock_.lock();
    if (hx::Failed(rc)) {
      hx::Trace(kTraceCategory, "Cannot lock '%s': %#x", lock_.lockPath(), static_cast<uint32_t>(rc));
      return CONF_REG_E_SAVE;
    }
  }
  hx::ResultT rc = prefs_.Save(path_);
  if (hx::Succeeded(rc)) HX_IGNORE_RESULT(read());  // saved: a failed read-back is logged, memory holds the same
  else hx::Trace(kTraceCategory, "Cannot save '%s': %#x", path_, static_cast<uint32_t>(rc));
  if (tookLock) lock_.unlock();
  return hx::Succeeded(rc) ? hx::RC_OK : CONF_REG_E_SAVE;
}
