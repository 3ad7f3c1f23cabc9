#pragma once
// TrkTrackerGUIC: the run's single progress object. The run driver and the upload talk only to
// it; it picks an interaction manager by the preference UserInteractionLevel (FULL: the
// terminal, asking and cancellable; STATUS/AUTO: drawn without asking; QUIET: nothing shown;
// anything else: no manager, and the start-up question answers "no"), asks the start-up
// question, keeps the status list with one item per step of the run (and a second-level list
// under "Tracking"), shows progress text and bar, and the closing message.
//
// Every operation does nothing when there is no manager or no status window, unless stated.

#include <cstdint>
#include <memory>
#include <string>

class TrkPreferencesC;
class InteractionManagerI;  // the chosen manager (terminal, status or quiet)
class ProgressInteractionI; // the status window

class TrkTrackerGUIC {
 public:
  // Destroys a previous instance and creates a new one over the process preferences.
  static void Initialise();
  // Destroys the instance.
  static void Finalise();
  // The current instance, or null outside Initialise/Finalise.
  static TrkTrackerGUIC* Instance();

  // True to go on. Without a manager: false.
  bool DisplayStartupWindow();
  void DisplayStatusWindow();
  // Marks the current status item with the outcome and moves on. A failure marks the item
  // (and, for a tracking step, "Tracking") failed; the list then stays as it is.
  void NextStatusItem(bool success);
  void SetStatusText(const std::string& text);
  void SetProgressText(const std::string& text);
  void SetProgressMax(uint64_t max);
  void SetProgress(uint64_t value);
  void IncrementProgress();
  // What a long step is doing right now (the files a scan has examined, the package type being
  // listed), on a line of its own under the progress text until the step ends. Only a window
  // drawn in place on a terminal shows it; ShowsProgressDetail says whether to form it at all.
  bool ShowsProgressDetail() const;
  void SetProgressDetail(const std::string& text);
  // Whether the run is cancelled: by the cancel handler at the FULL level, or at any level by
  // a stop signal (SIGINT, SIGTERM, SIGHUP).
  static bool IsCancelled();
  // Lets the manager process pending input (and so notice a cancel request).
  void FlushMessageQueue();
  void SetShow(bool show);
  bool GetShow() const;
  // Shows the error buffer's messages (an information interaction without text).
  void DisplayErrorWindow();
  // Shows "Completed inventory" with its text.
  void DisplayFinishedWindow();

  // The chosen manager (null at a level that has none), for components that talk to the person
  // themselves (the launcher context's user interface, the uploader).
  InteractionManagerI* GetInteractionManager() const;
  // The status window, null before DisplayStatusWindow or without a manager.
  const ProgressInteractionI* GetStatusWindow() const;

  ~TrkTrackerGUIC();

 private:
  TrkTrackerGUIC();
  struct ImplT;
  std::unique_ptr<ImplT> impl_;
};

// Convenience for call sites that may run with or without an instance: each does nothing
// when there is none (IsCancelled answers the flag either way).
namespace trk {
void ProgressText(const std::string& text);
void ProgressMax(uint64_t max);
void ProgressIncrement();
void NextStatusItem(bool success);
void FlushMessages();
bool ShowsProgressDetail();
void ProgressDetail(const std::string& text);
// The package phase's detail: the package type being listed.
void PackageTypeProgress(const std::string& type);

// Installs what the preference loading shows on failure: the error window at the interaction
// level of the preferences loaded so far. The entry calls this once at start-up.
void InstallInteractionHooks();
}  // namespace trk
