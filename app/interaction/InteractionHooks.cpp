// The progress object as the rest of the run reaches it: calls that do nothing when no run is
// under way, and the error window that the preference loading shows when it fails.

#include "app/interaction/TrkTrackerGUI.h"
#include "app/interaction/TrkInteractionMessages.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

// The preferences are only partly loaded when this runs; the level is whatever they say so far
// (the platform default when nothing else was read).
void ShowPreferenceError() {
  TrkTrackerGUIC::Initialise();
  TrkTrackerGUIC::Instance()->DisplayErrorWindow();
  TrkTrackerGUIC::Finalise();
}

}  // namespace

namespace trk {

void ProgressText(const std::string& text) {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->SetProgressText(text);
}

void ProgressMax(uint64_t max) {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->SetProgressMax(max);
}

void ProgressIncrement() {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->IncrementProgress();
}

void NextStatusItem(bool success) {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->NextStatusItem(success);
}

void FlushMessages() {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->FlushMessageQueue();
}

bool ShowsProgressDetail() {
  const TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance();
  return gui != nullptr && gui->ShowsProgressDetail();
}

void ProgressDetail(const std::string& text) {
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) gui->SetProgressDetail(text);
}

void PackageTypeProgress(const std::string& type) {
  if (!ShowsProgressDetail()) return;
  ProgressDetail(getL10NMessage(MSG_LISTING_PACKAGES, TXT_LISTING_PACKAGES, hx::ArgListC{hx::ArgC(type)}));
}

void InstallInteractionHooks() { TrkPreferencesC::SetErrorWindow(&ShowPreferenceError); }

}  // namespace trk
