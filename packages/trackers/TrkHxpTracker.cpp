#include "packages/trackers/TrkHxpTracker.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "foundation/files/DirStream.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/TrustRefusal.h"
#include "packages/listers/PackageSources.h"
#include "prefs/confvar/ConfVarSet.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

using namespace trk;
using P = TrkPreferencesC;

constexpr const char* c_Description = "package.xml";
constexpr const char* c_PrivateStore = "private";
constexpr const char* c_PublicStore = "public";
constexpr const char* c_CalloutStore = "callout";
constexpr mode_t c_WritableByOthers = S_IWGRP | S_IWOTH;

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

uid_t UserId(const std::string& name) {
  const struct passwd* pw = name.empty() ? nullptr : ::getpwnam(name.c_str());
  return pw != nullptr ? pw->pw_uid : c_NoOtherOwner;
}

// A directory of a store: a real directory (not a link) that only root, the running user or
// the store's user can change.
bool IsStoreDirectory(const std::string& path, uid_t alsoOwner) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & c_WritableByOthers) != 0) return false;
  return st.st_uid == 0 || st.st_uid == ::geteuid() || (alsoOwner != c_NoOtherOwner && st.st_uid == alsoOwner);
}

// The descriptions of a store's packages (one directory each), in name order.
void ReadStore(const std::string& store, uid_t alsoOwner, std::vector<OwnPackageT>* packages) {
  if (!IsStoreDirectory(store, alsoOwner)) return;
  std::vector<std::string> names;
  // A store that cannot be opened has no packages; one whose reading breaks off has those read.
  HX_IGNORE_RESULT(hx::ListDirectory(store, &names));
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string packageDir = Join(store, name);
    std::string text;
    OwnPackageT package;
    if (IsStoreDirectory(packageDir, alsoOwner) && ReadSourceFile(Join(packageDir, c_Description), &text, alsoOwner) &&
        ParsePackageDescription(text, &package))
      packages->push_back(std::move(package));
  }
}

void AddNonEmpty(TrkInventoryEntityC* element, const char* name, const std::string& value) {
  // Fixed names and a value that is there: nothing to refuse.
  if (!value.empty()) HX_IGNORE_RESULT(TrkTrackC::AddProperty(element, StringC(name), value, StringC(), false));
}

}  // namespace

// ---- the package cache ----

void TrkHxpTrackerC::AddOwnPackage(TrkInventoryEntityC* root, const OwnPackageT& package, const StringC& packageName,
                                   const char* access) {
  RefM<TrkInventoryEntityC> element = AddPackage(root, package.title, StringC(c_sEvidence));
  if (!element) return;
  // Fixed names, empty values allowed: nothing to refuse.
  HX_IGNORE_RESULT(element->Add(StringC("Version"), package.version));
  StringC date;
  if (package.installTime > 0 && LocalIsoText(package.installTime, &date))
    HX_IGNORE_RESULT(element->Add(StringC("InstallDate"), date));
  HX_IGNORE_RESULT(AddProperty(element.get(), StringC("PackageName"), packageName, StringC(), true));
  HX_IGNORE_RESULT(AddProperty(element.get(), StringC("Type"), package.type, StringC(), true));
  HX_IGNORE_RESULT(AddProperty(element.get(), StringC("Access"), StringC(access), StringC(), true));
  AddNonEmpty(element.get(), "ObjectId", package.objectId);
  AddNonEmpty(element.get(), "PolicyGuid", package.policyGuid);
}

bool TrkHxpTrackerC::ReadStores(std::vector<CachedT>* cached) {
  const std::string cache = prefs_.GetValue(P::c_PkgCacheDirectory);
  hx::TrustFailureT refusal;
  const hx::ResultT trusted = hx::CheckTrusted(cache, nullptr, &refusal);
  // A cache that is not there holds no packages; one that another user could change is refused.
  if (trusted == hx::RC_UNTRUSTED) {
    hx::ReportRefusal(refusal);
    return false;
  }
  if (hx::Failed(trusted)) return true;
  struct StoreT {
    std::string dir;
    uid_t alsoOwner;
    const char* access;
    bool wanted;
  };
  const std::string user = prefs_.GetValue(P::c_UserName);
  const bool machine = prefs_.GetBoolean(P::c_IncludeMachineInventory, 0);
  const StoreT stores[] = {
      {Join(Join(cache, c_PrivateStore), user), UserId(user), c_sPrivate,
       prefs_.GetBoolean(P::c_IncludeUserInventory, 0) && !user.empty()},
      {Join(cache, c_PublicStore), c_NoOtherOwner, c_sPublic, machine},
      {Join(cache, c_CalloutStore), c_NoOtherOwner, c_sCallout, machine},
      // The launcher keeps the applications it runs in its own cache directory.
      {ConfCLauncherCacheDirectory.get(), c_NoOtherOwner, c_sLauncher, machine},
  };
  for (const StoreT& store : stores) {
    if (!store.wanted || store.dir.empty()) continue;
    std::vector<OwnPackageT> packages;
    ReadStore(store.dir, store.alsoOwner, &packages);
    for (OwnPackageT& p : packages) cached->push_back(CachedT{std::move(p), store.access});
  }
  return true;
}

hx::ResultT TrkHxpTrackerC::AddPackageType(TrkInventoryEntityC* root, const StringC& type) {
  if (!storesRead_) {
    storesRead_ = true;
    if (!ReadStores(&cached_)) return hx::RC_FAIL;
  }
  std::vector<const CachedT*> ofType;
  for (const CachedT& c : cached_) {
    if (hx::EqualsNoCase(c.package.type, type)) ofType.push_back(&c);
  }
  host_.ProgressMax(ofType.size());
  for (const CachedT* c : ofType) {
    host_.ProgressIncrement();
    host_.FlushMessages();
    if (host_.IsCancelled()) break;
    // Patches are not inventoried; a package without title or version names nothing.
    if (c->package.title.empty() || c->package.version.empty() || c->package.patch) continue;
    AddOwnPackage(root, c->package, c->package.name, c->access);
  }
  return hx::RC_OK;
}

hx::ResultT TrkHxpTrackerC::Track(ZORHXTInventoryI* inventory) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_OWN_STARTED, TXT_OWN_STARTED);
  RefM<TrkInventoryEntityC> root;
  hx::ResultT r = OwnRoot(inventory, &root);
  if (hx::Succeeded(r) && !prefs_.GetBoolean(P::c_TarvoskPackages, 0)) r = hx::RC_FAIL;
  storesRead_ = false;
  cached_.clear();
  for (const char* type : c_sTypes) {
    if (hx::Failed(r)) break;
    r = AddPackageType(root.get(), StringC(type));
  }
  host_.FlushMessages();
  if (hx::Failed(r)) {
    r = Error(MSG_UNKNOWN_ERROR, TXT_UNKNOWN_ERROR);
  } else if (host_.IsCancelled()) {
    r = Error(MSG_PKG_CANCELLED, TXT_PKG_CANCELLED);
  } else {
    hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_OWN_FINISHED, TXT_OWN_FINISHED);
  }
  cached_.clear();
  return r;
}

// ---- the live packages ----

hx::ResultT TrkJavaHxpTrackerC::Track(ZORHXTInventoryI* inventory) {
  const std::string live = prefs_.GetValue(P::c_PkgLiveDirectory);
  const std::string index = Join(live, c_IndexFile);
  struct stat st;
  if (::lstat(index.c_str(), &st) != 0) return hx::RC_OK;
  hx::TrustFailureT refusal;
  if (hx::Failed(hx::CheckTrusted(live, nullptr, &refusal))) {
    if (!refusal.reason.empty()) hx::ReportRefusal(refusal);
    return hx::RC_OK;
  }
  std::string text;
  if (!ReadSourceFile(index, &text)) return hx::RC_OK;
  RefM<TrkInventoryEntityC> root;
  const hx::ResultT r = OwnRoot(inventory, &root);
  if (hx::Failed(r)) return r;
  for (const LivePackageT& entry : ParseLiveIndex(text)) {
    if (!entry.installed || entry.href.empty()) continue;
    // A description lies below the live directory: an href that leaves it names nothing.
    if (entry.href[0] == '/' || entry.href == ".." || hx::StartsWith(entry.href, "../") ||
        entry.href.find("/../") != std::string::npos || hx::EndsWith(entry.href, "/.."))
      continue;
    std::string description;
    OwnPackageT package;
    if (!ReadSourceFile(Join(live, entry.href), &description) || !ParsePackageDescription(description, &package))
      continue;
    package.objectId = entry.objectId;
    package.policyGuid = entry.policyGuid;
    TrkHxpTrackerC::AddOwnPackage(root.get(), package, entry.name, TrkHxpTrackerC::c_sPublic);
  }
  return hx::RC_OK;
}
