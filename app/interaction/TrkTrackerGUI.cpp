#include "app/interaction/TrkTrackerGUI.h"

#include <atomic>

#include "app/interaction/InteractionManager.h"
#include "app/interaction/ProgressInteraction.h"
#include "app/interaction/StopSignals.h"
#include "app/interaction/TrkInteractionMessages.h"
#include "foundation/core/Text.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkMessages.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

// The first-level item under which the second-level list of tracking steps is shown.
constexpr size_t c_TrackingItem = 1;

std::unique_ptr<TrkTrackerGUIC> g_instance;
// Set by the cancel handler; the run polls it between steps. It survives the window and is
// cleared by the next status window. A stop signal (StopSignals.h) cancels for good.
std::atomic<bool> g_cancel{false};

void CancelRun() {
  g_cancel.store(true);
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_TERMINATED_BY_USER, trk::TXT_LOG_TERMINATED_BY_USER);
}

std::string Text(hx::ResultT id, const char* text) { return getL10NMessage(id, text); }

}  // namespace

struct TrkTrackerGUIC::ImplT {
  TrkPreferencesC prefs;
  bool show = false;
  bool canHide = false;
  bool cancellable = false;
  // Set by the first failed step: the list then stays as it is, so that a later call cannot
  // paint a failed run as a successful one.
  bool stopped = false;
  std::unique_ptr<InteractionManagerI> manager;
  std::unique_ptr<ProgressInteractionI> progress;

  ~ImplT() {
    // The window draws through the manager's console: it goes first.
    progress.reset();
    if (manager) manager->SetCancelHandler(nullptr);
  }

  void ApplyShow() {
    if (progress) progress->SetShow(show);
  }

  bool HasValues(const env_EnvOptsC& name) { return !prefs.GetMultiValue(name).empty(); }
  bool IsType(const char* type) { return hx::EqualsNoCase(prefs.GetValue(TrkPreferencesC::c_InventoryType), type); }

  // The tracking steps this run will take, each with the preferences that switch it on.
  void BuildSubItems() {
    using P = TrkPreferencesC;
    const bool machine = IsType(P::c_MachineInventory);
    const bool user = IsType(P::c_UserInventory);
    StatusListC& sub = progress->StartSubItems(c_TrackingItem);
    if ((machine && prefs.GetBoolean(P::c_Hardware)) || (user && prefs.GetBoolean(P::c_UserHardware)))
      sub.Add(Text(trk::MSG_ITEM_HARDWARE, trk::TXT_ITEM_HARDWARE));
    if (machine || (user && prefs.GetBoolean(P::c_TrackFilesInUserInventory)))
      sub.Add(Text(trk::MSG_ITEM_FILE_SCAN, trk::TXT_ITEM_FILE_SCAN));
    if (HasValues(P::c_IncludeRegistryKey)) sub.Add(Text(trk::MSG_ITEM_REGISTRY, trk::TXT_ITEM_REGISTRY));
    if (prefs.GetBoolean(P::c_MSI)) sub.Add(Text(trk::MSG_ITEM_INSTALLER, trk::TXT_ITEM_INSTALLER));
    if (prefs.GetBoolean(P::c_TarvoskPackages)) sub.Add(Text(trk::MSG_ITEM_OWN_PACKAGES, trk::TXT_ITEM_OWN_PACKAGES));
    if (prefs.GetBoolean(P::c_Security)) sub.Add(Text(trk::MSG_ITEM_PATCHES, trk::TXT_ITEM_PATCHES));
    if (HasValues(P::c_IncludeDirectory)) sub.Add(Text(trk::MSG_ITEM_SOFTWARE, trk::TXT_ITEM_SOFTWARE));
    sub.SetActive(0);
  }
};

TrkTrackerGUIC::TrkTrackerGUIC() : impl_(std::make_unique<ImplT>()) {
  const InteractionLevelE level = ParseInteractionLevel(impl_->prefs.GetValue(TrkPreferencesC::c_UserInteractionLevel));
  impl_->show = level == InteractionLevelE::Full || level == InteractionLevelE::Status;
  impl_->canHide = level == InteractionLevelE::Status;
  impl_->cancellable = level == InteractionLevelE::Full;
  impl_->manager = MakeInteractionManager(level);
}

TrkTrackerGUIC::~TrkTrackerGUIC() = default;

void TrkTrackerGUIC::Initialise() {
  g_instance.reset();
  g_instance.reset(new TrkTrackerGUIC());
}

void TrkTrackerGUIC::Finalise() { g_instance.reset(); }

TrkTrackerGUIC* TrkTrackerGUIC::Instance() { return g_instance.get(); }

bool TrkTrackerGUIC::DisplayStartupWindow() {
  if (!impl_->manager) return false;
  const QueryAnswerE answer =
      impl_->manager->Query(Text(trk::MSG_STARTUP_TITLE, trk::TXT_STARTUP_TITLE),
                            Text(trk::MSG_STARTUP_TEXT, trk::TXT_STARTUP_TEXT), QueryAnswerE::Yes);
  // A stop signal while the question was asked ends it: the run is then declined.
  return answer == QueryAnswerE::Yes && !IsCancelled();
}

void TrkTrackerGUIC::DisplayStatusWindow() {
  if (!impl_->manager) return;
  impl_->progress.reset();
  impl_->progress = impl_->manager->CreateProgress(Text(trk::MSG_STATUS_TITLE, trk::TXT_STATUS_TITLE));
  StatusListC& items = impl_->progress->Items();
  items.Add(Text(trk::MSG_ITEM_INITIALIZATION, trk::TXT_ITEM_INITIALIZATION));
  items.Add(Text(trk::MSG_ITEM_TRACKING, trk::TXT_ITEM_TRACKING));
  items.Add(Text(trk::MSG_ITEM_GENERATE, trk::TXT_ITEM_GENERATE));
  if (impl_->prefs.GetBoolean(TrkPreferencesC::c_Compress)) items.Add(Text(trk::MSG_ITEM_COMPRESS, trk::TXT_ITEM_COMPRESS));
  if (impl_->prefs.GetBoolean(TrkPreferencesC::c_Upload)) items.Add(Text(trk::MSG_ITEM_UPLOAD, trk::TXT_ITEM_UPLOAD));
  items.SetActive(0);
  impl_->stopped = false;
  impl_->progress->SetProgress(0);
  if (impl_->cancellable) {
    g_cancel.store(false);
    impl_->manager->SetCancelHandler(&CancelRun);
  }
  impl_->ApplyShow();
  impl_->progress->Update();
}

void TrkTrackerGUIC::NextStatusItem(bool success) {
  ProgressInteractionI* window = impl_->progress.get();
  if (window == nullptr || impl_->stopped) return;
  impl_->stopped = !success;
  const StatusMarkE outcome = success ? StatusMarkE::Succeeded : StatusMarkE::Failed;
  // The detail belonged to the step that just ended.
  window->SetStatusText(std::string());
  StatusListC& items = window->Items();
  StatusListC& sub = window->SubItems();
  if (!sub.Empty() && !sub.Finished()) {
    const size_t step = sub.Active();
    sub.Mark(step, outcome);
    // A failed tracking step fails "Tracking" too.
    if (!success) items.Mark(items.Active(), StatusMarkE::Failed);
    else if (sub.IsLast(step)) sub.Finish();
    else sub.SetActive(step + 1);
    window->Update();
    return;
  }
  if (items.Finished()) return;
  const size_t step = items.Active();
  items.Mark(step, outcome);
  if (success && !items.IsLast(step)) {
    items.SetActive(step + 1);
    if (step + 1 == c_TrackingItem) impl_->BuildSubItems();
  }
  window->Update();
}

void TrkTrackerGUIC::SetStatusText(const std::string& text) {
  if (!impl_->progress) return;
  impl_->progress->SetStatusText(text);
  impl_->ApplyShow();
}

void TrkTrackerGUIC::SetProgressText(const std::string& text) {
  if (!impl_->progress) return;
  impl_->progress->SetProgressText(text);
  impl_->ApplyShow();
}

void TrkTrackerGUIC::SetProgressMax(uint64_t max) {
  if (!impl_->progress) return;
  impl_->progress->SetProgressMax(max);
  impl_->ApplyShow();
}

void TrkTrackerGUIC::SetProgress(uint64_t value) {
  if (!impl_->progress) return;
  impl_->progress->SetProgress(value);
  impl_->ApplyShow();
}

void TrkTrackerGUIC::IncrementProgress() {
  if (!impl_->progress) return;
  impl_->progress->IncrementProgress();
  impl_->ApplyShow();
}

bool TrkTrackerGUIC::ShowsProgressDetail() const {
  return impl_->progress && impl_->show && impl_->manager->DrawsInPlace();
}

void TrkTrackerGUIC::SetProgressDetail(const std::string& text) {
  if (ShowsProgressDetail()) impl_->progress->SetStatusText(text);
}

bool TrkTrackerGUIC::IsCancelled() {
  if (TrkTrackerGUIC* gui = Instance()) gui->FlushMessageQueue();
  return g_cancel.load() || trk::StopSignal() != 0;
}

void TrkTrackerGUIC::FlushMessageQueue() {
  if (impl_->manager) impl_->manager->ProcessInput();
}

void TrkTrackerGUIC::SetShow(bool show) {
  if (!impl_->canHide || !impl_->manager) return;
  impl_->show = show;
  impl_->manager->SetShow(show);
  impl_->ApplyShow();
}

bool TrkTrackerGUIC::GetShow() const { return impl_->show; }

void TrkTrackerGUIC::DisplayErrorWindow() {
  // Without a text the manager shows the messages of the error buffer.
  if (impl_->manager) impl_->manager->Inform(std::string(), std::string());
}

void TrkTrackerGUIC::DisplayFinishedWindow() {
  if (!impl_->manager) return;
  impl_->manager->Inform(Text(trk::MSG_FINISHED_TITLE, trk::TXT_FINISHED_TITLE),
                         Text(trk::MSG_FINISHED_TEXT, trk::TXT_FINISHED_TEXT));
}

InteractionManagerI* TrkTrackerGUIC::GetInteractionManager() const { return impl_->manager.get(); }

const ProgressInteractionI* TrkTrackerGUIC::GetStatusWindow() const { return impl_->progress.get(); }
