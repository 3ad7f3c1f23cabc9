#pragma once
// TrkTrackPkgC: the package step of a run. Every configured package type is listed with its
// descriptive properties and each package becomes a "Package" element of the inventory's root:
//
//   <Package Name="SUNWcsr" Evidence="SUNPKG" Version="11.10.0" InstallDate="20120105T142200">
//     <Property Name="Architecture" Value="i386"/>      only when the package has one
//     <Property Name="Publisher" Value="..."/>          every property the source gave
//     <Property Name="Summary" Value="..."/>
//   </Package>
//
// The trackers of this folder share what they need of the run around them (TrkPackageHostT)
// and the way they reach the inventory's root.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/RefCount.h"
#include "foundation/core/Result.h"
#include "foundation/trace/Tracer.h"
#include "inventory/TrkTrack.h"
#include "inventory/ZORHXTTracker.h"
#include "packages/model/PackageInfo.h"
#include "packages/trackers/TrkPackageMessages.h"

class TrkPreferencesC;

// What the package trackers need of the interactive display; every member may be left empty.
struct TrkPackageHostT {
  std::function<void(uint64_t max)> progressMax;
  std::function<void()> progressIncrement;
  std::function<void()> flushMessages;
  std::function<bool()> isCancelled;
  std::function<void(const std::string& type)> listing;  // the package type now being listed

  void ProgressMax(uint64_t max) const { if (progressMax) progressMax(max); }
  void ProgressIncrement() const { if (progressIncrement) progressIncrement(); }
  void FlushMessages() const { if (flushMessages) flushMessages(); }
  bool IsCancelled() const { return isCancelled && isCancelled(); }
  void Listing(const std::string& type) const { if (listing) listing(type); }
};

namespace trk {
// The error a tracker ends with when it could not do its work: the cancellation when the user
// cancelled, else "Unknown error." (both reported through the error buffer).
HX_NODISCARD hx::ResultT ReportTrackerFailure(const TrkPackageHostT& host);
// An install time (seconds since the epoch) as the ISO date-time text of local time without a
// zone; false for 0 or a time that cannot be converted.
HX_NODISCARD bool LocalIsoText(int64_t seconds, StringC* text);
}  // namespace trk

class TrkTrackPkgC : public TrkTrackC {
 public:
  static constexpr const char* c_sVersion = "Version";
  static constexpr const char* c_sInstallDate = "InstallDate";
  static constexpr const char* c_sArchitecture = "Architecture";

  TrkTrackPkgC(TrkPreferencesC& prefs, TrkPackageHostT host) : prefs_(prefs), host_(std::move(host)) {}
  virtual ~TrkTrackPkgC() = default;

  // Lists every type of PackageDatabaseTypes in order. 0, or the failure to reach the root.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory);
  // The packages of one type under parent: RC_INVALID_ARG when the type has no lister, else
  // the lister's last result.
  HX_NODISCARD virtual hx::ResultT TrackPkgDatabase(TrkInventoryEntityC* parent, const StringC& type);
  // The element of one package (null when it could not be added).
  RefM<TrkInventoryEntityC> AddPackageElement(TrkInventoryEntityC* parent, const PackageInfoC& package,
                                              const StringC& evidence);

 private:
  // The texts of the install dates converted so far: packages are installed in batches that
  // share their times, and each conversion to local time asks the system for its zone rules.
  std::unordered_map<int64_t, StringC> dates_;
  TrkPreferencesC& prefs_;
  TrkPackageHostT host_;
  hx::TraceSiteC trace_{trk::c_TracePackages};
};
