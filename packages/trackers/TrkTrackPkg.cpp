#include "packages/trackers/TrkTrackPkg.h"

#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/time/IsoDateTime.h"
#include "packages/db/PackageDb.h"
#include "packages/listers/PackageLister.h"
#include "prefs/tracker/TrkPreferences.h"

namespace trk {

hx::ResultT ReportTrackerFailure(const TrkPackageHostT& host) {
  return host.IsCancelled() ? Error(MSG_PKG_CANCELLED, TXT_PKG_CANCELLED) : Error(MSG_UNKNOWN_ERROR, TXT_UNKNOWN_ERROR);
}

bool LocalIsoText(int64_t seconds, StringC* text) {
  PackageInfoC dated{StringC()};
  dated.setInstallDate(seconds);
  IsoDateTimeC date;
  return dated.getLocalISOInstallDate(&date) && hx::Succeeded(date.toString(text));
}

}  // namespace trk

using namespace trk;

hx::ResultT TrkTrackPkgC::Track(ZORHXTInventoryI* inventory) {
  hx::Trace(trace_, "Started tracking packages\n");
  const StringArrayC types =
      PackageDbC::SplitTypes(hx::Join(prefs_.GetMultiValue(TrkPreferencesC::c_PackageDatabaseTypes), ","));
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_PKG_STARTED, TXT_PKG_STARTED);
  hx::ResultT got = hx::RC_OK;
  if (!types.empty()) {
    RefM<TrkInventoryEntityC> root;
    got = OwnRoot(inventory, &root);
    if (hx::Succeeded(got)) {
      host_.ProgressMax(types.size());
      for (const StringC& type : types) {
        host_.ProgressIncrement();
        host_.FlushMessages();
        if (host_.IsCancelled()) break;
        host_.Listing(type);
        // A type without a lister adds nothing; a lister that failed part way keeps what it added.
        HX_IGNORE_RESULT(TrackPkgDatabase(root.get(), type));
      }
    }
  }
  host_.FlushMessages();
  if (hx::Failed(got)) return ReportTrackerFailure(host_);
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_PKG_FINISHED, TXT_PKG_FINISHED);
  hx::Trace(trace_, "Finished tracking packages\n");
  return hx::RC_OK;
}

hx::ResultT TrkTrackPkgC::TrackPkgDatabase(TrkInventoryEntityC* parent, const StringC& type) {
  std::unique_ptr<PackageListerC> lister = PackageListerC::NewPackageLister(type, LISTER_PROPERTIES);
  if (!lister) return hx::RC_INVALID_ARG;
  const StringC evidence = hx::ToUpper(type);
  const hx::ResultT started = lister->startEnum();
  hx::ResultT r = hx::RC_OK;
  std::unique_ptr<PackageInfoC> package;
  while (hx::Succeeded(r = lister->getNext(&package))) {
    hx::Trace(trace_, "Package tracked: %s\n", package->name());
    HX_IGNORE_RESULT(AddPackageElement(parent, *package, evidence));  // in the tree now: the handle is not needed
  }
  if (hx::Failed(started)) return started;
  return r;
}

RefM<TrkInventoryEntityC> TrkTrackPkgC::AddPackageElement(TrkInventoryEntityC* parent, const PackageInfoC& package,
                                                          const StringC& evidence) {
  RefM<TrkInventoryEntityC> element = AddPackage(parent, package.name(), evidence);
  if (!element) return element;
  // Fixed names; a property without a value is left out unless empty ones are allowed.
  HX_IGNORE_RESULT(element->Add(StringC(c_sVersion), package.version().asString(true)));
  if (package.installDate() != 0) {
    auto date = dates_.find(package.installDate());
    if (date == dates_.end()) {
      StringC text;
      if (!LocalIsoText(package.installDate(), &text)) text.clear();
      date = dates_.emplace(package.installDate(), std::move(text)).first;
    }
    if (!date->second.empty()) HX_IGNORE_RESULT(element->Add(StringC(c_sInstallDate), date->second));
  }
  if (!package.architecture().empty())
    HX_IGNORE_RESULT(AddProperty(element.get(), StringC(c_sArchitecture), package.architecture(), StringC(), false));
  for (const auto& [name, value] : package.properties())
    HX_IGNORE_RESULT(AddProperty(element.get(), name, value, StringC(), true));
  return element;
}
