#include "app/driver/TrkUnixTracker.h"

#include <sys/resource.h>

#include "app/driver/TrkProviderTable.h"
#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/interaction/ScanProgress.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/com/ComRef.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/trace/Tracer.h"
#include "hardware/framework/TrkTrackUnixHardware.h"
#include "packages/trackers/TrkExtAgtTracker.h"
#include "packages/trackers/TrkHxpTracker.h"
#include "packages/trackers/TrkTrackPkg.h"
#include "software/TrkUnixTrackSoftware.h"

namespace {

using P = TrkPreferencesC;
using namespace trk::run;

constexpr const char* c_FileScan = "FileScan";
constexpr const char* c_True = "True";
constexpr const char* c_False = "False";

// The package trackers' view of the interactive display.
TrkPackageHostT PackageHost() {
  TrkPackageHostT host;
  host.progressMax = [](uint64_t max) { trk::ProgressMax(max); };
  host.progressIncrement = [] { trk::ProgressIncrement(); };
  host.flushMessages = [] { trk::FlushMessages(); };
  host.isCancelled = [] { return TrkTrackerGUIC::IsCancelled(); };
  host.listing = [](const std::string& type) { trk::PackageTypeProgress(type); };
  return host;
}

}  // namespace

TrkUnixTrackerC::TrkUnixTrackerC() : providers_(trk::UnixProviderTable()) { ApplyMachineGuid(); }

TrkUnixTrackerC::~TrkUnixTrackerC() { UnregisterProviders(); }

hx::ResultT TrkUnixTrackerC::Run(ZORHXContextI* context, int* exitCode) {
  if (prefs_.GetBoolean(P::c_LowProfile, 0) && ::setpriority(PRIO_PROCESS, 0, c_LowProfileNice) != 0)
    hx::Trace(c_TraceRun, "Priority not lowered: errno %1$d\n", errno);
  return TrkTrackerC::Run(context, exitCode);
}

// ---- registration ----

hx::ResultT TrkUnixTrackerC::Register(ComRegistryI* registry) {
  TrkTrackerC::Register(registry);
  if (registry != nullptr && !providers_.IsRegistered()) RegisterProviders(registry);
  return TrkTrackerC::Register(registry);
}

void TrkUnixTrackerC::RegisterProviders(ComRegistryI* registry) { providers_.Register(registry); }

void TrkUnixTrackerC::UnregisterProviders() { providers_.Unregister(); }

// ---- phases ----

hx::ResultT TrkUnixTrackerC::TrackHardware() {
  trk::Progress(PRG_HARDWARE, TXT_PRG_HARDWARE);
  trk::LogGeneral(LOG_HARDWARE_STARTED, TXT_HARDWARE_STARTED);
  hx::ResultT r = TrackUnixHardware();
  if (hx::Succeeded(r)) r = TrackExternalAgent();
  trk::LogGeneral(LOG_HARDWARE_FINISHED, TXT_HARDWARE_FINISHED);
  trk::NextStatusItem(hx::Succeeded(r));
  return r;
}

hx::ResultT TrkUnixTrackerC::TrackKeys() { return hx::RC_OK; }

hx::ResultT TrkUnixTrackerC::TrackPackages() {
  hx::ResultT r = hx::RC_OK;
  if (prefs_.GetBoolean(P::c_PlatformSpecificPackages, 0)) {
    trk::Progress(PRG_NATIVE_PACKAGES, TXT_PRG_NATIVE_PACKAGES);
    r = TrackNativePackages();
    trk::NextStatusItem(hx::Succeeded(r));
    if (hx::Failed(r)) return r;
  }
  if (prefs_.GetBoolean(P::c_TarvoskPackages, 0)) {
    trk::Progress(PRG_OWN_PACKAGES, TXT_PRG_OWN_PACKAGES);
    if (!prefs_.IsEmpty(P::c_PkgCacheDirectory)) r = TrackOwnPackages();
    if (hx::Succeeded(r) && !prefs_.IsEmpty(P::c_PkgLiveDirectory)) r = TrackInstallerPackages();
    trk::NextStatusItem(hx::Succeeded(r));
  }
  return r;
}

hx::ResultT TrkUnixTrackerC::TrackContents() {
  const bool scan = !prefs_.GetMultiValue(P::c_IncludeDirectory).empty() ||
                    !prefs_.GetMultiValue(P::c_EmbedFileContentDirectory).empty();
  if (!scan) {
    HX_IGNORE_RESULT(inventory_->Add(c_FileScan, c_False));  // a fixed name, never empty
    return hx::RC_OK;
  }
  trk::Progress(PRG_SOFTWARE, TXT_PRG_SOFTWARE);
  const hx::ResultT r = TrackSoftwareFiles();
  trk::NextStatusItem(hx::Succeeded(r));
  HX_IGNORE_RESULT(inventory_->Add(c_FileScan, c_True));  // a fixed name, never empty
  return r;
}

int TrkUnixTrackerC::GetMachineGuid(char* /*buffer*/, size_t /*size*/) { return 1; }

// ---- the work of the phases, filled in by the hardware, software and package subsystems ----

hx::ResultT TrkUnixTrackerC::TrackUnixHardware() {
  TrkTrackUnixHardwareC hardware;
  hardware.WriteInto(inventory_.get());
  return hardware.Track(static_cast<ZORHXTInventoryI*>(inventory_.get()), outer_, context_);
}

// The identity of the management agents installed beside this one; its result is the hardware
// phase's.
hx::ResultT TrkUnixTrackerC::TrackExternalAgent() {
  TrkExtAgtTrackerC agents(prefs_);
  agents.WriteInto(inventory_.get());
  return agents.Track(static_cast<ZORHXTInventoryI*>(inventory_.get()));
}

hx::ResultT TrkUnixTrackerC::TrackNativePackages() {
  TrkTrackPkgC packages(prefs_, PackageHost());
  packages.WriteInto(inventory_.get());
  return packages.Track(static_cast<ZORHXTInventoryI*>(inventory_.get()));
}

hx::ResultT TrkUnixTrackerC::TrackOwnPackages() {
  TrkHxpTrackerC packages(prefs_, PackageHost());
  packages.WriteInto(inventory_.get());
  return packages.Track(static_cast<ZORHXTInventoryI*>(inventory_.get()));
}

hx::ResultT TrkUnixTrackerC::TrackInstallerPackages() {
  TrkJavaHxpTrackerC packages(prefs_);
  packages.WriteInto(inventory_.get());
  return packages.Track(static_cast<ZORHXTInventoryI*>(inventory_.get()));
}

// The file scan, which also rebuilds the package database first. Between entries it asks the
// interaction whether the user cancelled.
hx::ResultT TrkUnixTrackerC::TrackSoftwareFiles() {
  TrkSoftwareHostT host;
  host.checkCancel = [] { return TrkTrackerGUIC::IsCancelled() ? Error(MSG_CANCELLED, TXT_CANCELLED) : hx::RC_OK; };
  host.progress = [](hx::ResultT id, const char* text) { trk::Progress(id, text); };
  ScanProgressC counts(prefs_);
  host.examined = counts.Hook();
  TrkUnixTrackSoftwareC software(prefs_, std::move(host));
  software.WriteInto(inventory_.get());
  ZORHXTInventoryI* given = contents_ != nullptr ? contents_ : static_cast<ZORHXTInventoryI*>(inventory_.get());
  const hx::ResultT r = software.Track(given, outer_, context_);
  counts.Finish();
  return r;
}
