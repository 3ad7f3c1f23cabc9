#include "software/TrkUnixTrackSoftware.h"

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/TrustRefusal.h"
#include "packages/listers/registry/PackageRegistry.h"
#include "packages/trackers/TrkPackageMessages.h"
#include "platform/MountTable.h"
#include "prefs/tracker/TrkPreferences.h"
#include "software/TrkSoftwareMessages.h"

namespace {

using P = TrkPreferencesC;
using namespace trk;

template <typename... Args>
void LogInfo(hx::ResultT id, const char* text, Args&&... args) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, id, text, std::forward<Args>(args)...);
}

}  // namespace

void TrkUnixTrackSoftwareC::PrepareWalk() {
  PopulateValidDevices();
  UpdatePackageDatabase();
}

void TrkUnixTrackSoftwareC::PopulateValidDevices() {
  validDevices_.clear();
  hx::OSFileSystemCollectionC mounts;
  // An unreadable table leaves the set empty: then nothing is walked.
  if (hx::Failed(mounts.Read())) return;
  const StringArrayC include = prefs_.GetMultiValue(P::c_IncludeFileSystemType);
  const StringArrayC exclude = prefs_.GetMultiValue(P::c_ExcludeFileSystemType);
  const bool network = prefs_.GetBoolean(P::c_IncludeNetworkDrives, 0);
  for (const hx::MountedFileSystemT& fs : mounts.Entries()) {
    const bool walked = IsFileSystemWalked(fs.entry.type, fs.flags, include, exclude, network);
    // Only a file system that may be walked has its mount point examined: the status of a
    // network mount that stopped answering could block.
    if (walked) validDevices_.insert(hx::OSFileSystemCollectionC::DeviceOf(fs.entry.mountPoint));
    LogInfo(LOG_MOUNT, TXT_MOUNT, hx::ToValidUtf8(fs.entry.mountPoint), hx::ToValidUtf8(fs.entry.type),
            walked ? c_Included : c_Excluded);
  }
}

bool TrkUnixTrackSoftwareC::IsOnWalkedDevice(const FileInfoC& info) const {
  return validDevices_.count(info.device()) != 0;
}

void TrkUnixTrackSoftwareC::UpdatePackageDatabase() {
  packageDb_.reset();
  const StringC path = prefs_.GetValue(StringC(c_PackageDatabasePath));
  if (path.empty()) return;
  hx::TrustFailureT refusal;
  if (hx::Failed(hx::EnsureTrustedDirectory(hx::DirectoryOf(path), &refusal))) {
    hx::ReportRefusal(refusal);
    return;
  }
  int64_t lockWait = PackageDbC::c_DefaultLockWaitSeconds;
  if (!hx::ParseInt64(prefs_.GetValue(P::c_LockTimeout), lockWait) || lockWait <= 0)
    lockWait = PackageDbC::c_DefaultLockWaitSeconds;
  packageDb_ = std::make_unique<PackageDbC>(path, static_cast<int>(lockWait));

  // A list value: the loader has already split it at its separators.
  const StringC types = hx::Join(prefs_.GetMultiValue(P::c_PackageDatabaseTypes), ",");
  ErrBufImplC* errors = getErrBuf();
  const unsigned before = errors->count();
  const unsigned checkpoint = errors->checkpoint();
  LogInfo(LOG_PKGDB_STARTED, TXT_PKGDB_STARTED, types, path);
  if (host_.progress) host_.progress(PRG_PKGDB, TXT_PRG_PKGDB);
  const hx::ResultT r = packageDb_->buildDatabase(types);
  if (hx::Succeeded(r)) {
    LogInfo(LOG_PKGDB_FINISHED, TXT_PKGDB_FINISHED);
    return;
  }
  for (unsigned i = before; i < errors->count(); ++i) LogInfo(LOG_PKGDB_ERROR, TXT_PKGDB_ERROR, errors->get(i)->message());
  LogInfo(LOG_PKGDB_FAILED, TXT_PKGDB_FAILED, r);
  // The failures are in the log now; the run goes on and its own outcome is not theirs.
  errors->rollback(checkpoint);
}

void TrkUnixTrackSoftwareC::AddVersionInformation(TrkInventoryEntityC* content, const std::string& path) {
  if (!packageDb_) return;
  std::unique_ptr<PackageInfoC> package;
  // A path no package owns, or a database that could not be read: no product data.
  if (hx::Failed(packageDb_->packageFromPath(path, &package)) || !package) return;
  // A property without a value is left out.
  HX_IGNORE_RESULT(AddProperty(content, c_ProductNameString, package->name(), StringC(), false));
  HX_IGNORE_RESULT(AddProperty(content, c_ProductVersionString, package->version().asString(true), StringC(), false));
}

void TrkUnixTrackSoftwareC::OfferFile(const std::string& path) {
  if (PackageRegistryC::Current().registerFilePath(path, false))
    LogInfo(LOG_POSSIBLE_REGISTRY, TXT_POSSIBLE_REGISTRY, FileNameC(path).text());
}
