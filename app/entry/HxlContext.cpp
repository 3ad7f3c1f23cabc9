#include "app/entry/HxlContext.h"

#include <cstdlib>
#include <cstring>

#include "app/driver/TrkRunLog.h"
#include "app/interaction/TrkTrackerGUI.h"

namespace {

// A reporter's text stands as it is, as an error.
constexpr const char* c_ReportText = "\x01\x01" "e\x01%1$s";
constexpr const char* c_InfoText = "\x01\x01i\x01%1$s";
constexpr const char* c_WarningText = "\x01\x01w\x01%1$s";

}  // namespace

hx::ResultT HxlContextC::QueryInterface(const ZORGUID& iid, void** out) {
  if (out == nullptr) return hx::RC_INVALID_ARG;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_ZORHXContext) {
    *out = static_cast<ZORHXContextI*>(this);
  } else if (iid == IID_ZORHXPreferences) {
    *out = static_cast<ZORHXPreferencesI*>(this);
  } else if (iid == IID_ZORHXLog) {
    *out = static_cast<ZORHXLogI*>(this);
  } else if (iid == IID_ZORHXStop) {
    *out = static_cast<ZORHXStopI*>(this);
  } else {
    return hx::RC_NO_INTERFACE;
  }
  AddRef();
  return hx::RC_OK;
}

unsigned long HxlContextC::AddRef() {
  return static_cast<unsigned long>(refs_.fetch_add(1, std::memory_order_relaxed) + 1);
}

unsigned long HxlContextC::Release() {
  const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return static_cast<unsigned long>(left);
}

hx::ResultT HxlContextC::ReportError(int32_t id, const char* text) {
  const StringC message(text != nullptr ? text : "");
  trk::LogGeneral(id, c_ReportText, message);
  return Error(id, c_ReportText, message);
}

hx::ResultT HxlContextC::GetValue(const char* name, char** value) {
  if (name == nullptr || value == nullptr) return hx::RC_INVALID_ARG;
  const StringC text = hx::Utf8ToSys8(prefs_.GetValue(StringC(name)));
  *value = static_cast<char*>(std::malloc(text.size() + 1));
  if (*value == nullptr) return hx::RC_NO_RESOURCE;
  std::memcpy(*value, text.c_str(), text.size() + 1);
  return hx::RC_OK;
}

hx::ResultT HxlContextC::SetValue(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return hx::RC_INVALID_ARG;
  const StringArrayC values{hx::Sys8ToUtf8(value)};
  prefs_.AddValue(StringC(name), &values);
  return hx::RC_OK;
}

hx::ResultT HxlContextC::LogLine(int32_t id, int32_t severity, const char* text) {
  if (text == nullptr) return hx::RC_INVALID_ARG;
  trk::LogGeneral(id, severity == c_Warning ? c_WarningText : c_InfoText, StringC(text));
  return hx::RC_OK;
}

bool HxlContextC::IsStopping() { return TrkTrackerGUIC::IsCancelled(); }
