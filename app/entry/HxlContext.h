#pragma once
// HxlContextC: the launcher context the entry hands to the tracker's Run and the run hands on
// to the uploader: the run's preferences by name, a way to report a failure back, the run's
// log and whether the run is being stopped (see ZORHXContext.h). Both faces share one reference count; the object starts at 0 and deletes
// itself at its last Release.

#include <atomic>

#include "foundation/com/ZORHXContext.h"
#include "prefs/tracker/TrkPreferences.h"

class HxlContextC : public ZORHXContextI, public ZORHXPreferencesI, public ZORHXLogI, public ZORHXStopI {
 public:
  // Over the process's current environment, where the loaded preferences are.
  HxlContextC() = default;
  HxlContextC(const HxlContextC&) = delete;
  HxlContextC& operator=(const HxlContextC&) = delete;

  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override;
  unsigned long AddRef() override;
  unsigned long Release() override;

  hx::ResultT ReportError(int32_t id, const char* text) override;
  hx::ResultT GetValue(const char* name, char** value) override;
  hx::ResultT SetValue(const char* name, const char* value) override;
  hx::ResultT LogLine(int32_t id, int32_t severity, const char* text) override;
  // A stop signal or the person's cancel (TrkTrackerGUIC::IsCancelled).
  bool IsStopping() override;

 private:
  virtual ~HxlContextC() = default;

  std::atomic<long> refs_{0};
  TrkPreferencesC prefs_;
};
