#pragma once
// The launcher context: what a tracker component, a plug-in and the uploader library are
// handed when they run. It is deliberately small, and it is the only header such a library
// needs from the program (besides foundation/com/ZORUnknown.h, which it includes): a library
// built on its own sees the same slot order.
//
//   ZORHXContextI      the context itself. QueryInterface(IID_ZORHXPreferences) gives the
//                      preferences of the run; ReportError hands a failure back to the run.
//   ZORHXPreferencesI  the run's preferences by name, read expanded ($(Name) references
//                      resolved) and written as one value that replaces the old ones. Writes
//                      are seen at once by every later reader in the process, the run driver
//                      included.
//   ZORHXLogI          the run's log (QueryInterface(IID_ZORHXLog)), for what a library does
//                      that is not a failure. A context without it simply does not log.
//   ZORHXStopI         whether the run is being stopped (QueryInterface(IID_ZORHXStop)): a
//                      stop signal arrived or the person cancelled. A library that works for
//                      long (a transfer) asks it often, at least once a second, and ends its
//                      work at once when the answer is yes; the run then ends as cancelled. A
//                      context without it is never stopped.
//
// Texts cross these interfaces as zero-terminated bytes in the system 8-bit encoding; a text
// handed out through a `char**` is a copy that the caller frees with free().
//
//   ZORHXPreferencesI* prefs = nullptr;
//   if (context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)) >= 0) {
//     char* value = nullptr;
//     if (prefs->GetValue("UploadType", &value) >= 0) { ...; free(value); }
//     prefs->Release();
//   }

#include <cstdint>

#include "foundation/com/ZORUnknown.h"

constexpr ZORGUID IID_ZORHXContext = {0x3C6F2A41, 0x7B2D, 0x4E19, {0x9A, 0x50, 0x1D, 0x84, 0xC2, 0x6E, 0x0B, 0x31}};
constexpr ZORGUID IID_ZORHXPreferences = {0x3C6F2A42, 0x7B2D, 0x4E19, {0x9A, 0x50, 0x1D, 0x84, 0xC2, 0x6E, 0x0B, 0x31}};
constexpr ZORGUID IID_ZORHXLog = {0x3C6F2A43, 0x7B2D, 0x4E19, {0x9A, 0x50, 0x1D, 0x84, 0xC2, 0x6E, 0x0B, 0x31}};
constexpr ZORGUID IID_ZORHXStop = {0x3C6F2A44, 0x7B2D, 0x4E19, {0x9A, 0x50, 0x1D, 0x84, 0xC2, 0x6E, 0x0B, 0x31}};

class ZORHXPreferencesI : public ZORUnknownI {
 public:
  // The expanded value of the preference (the current one of a list), "" when it is not set.
  // RC_INVALID_ARG for a null name or out pointer; RC_NO_RESOURCE when no copy could be made.
  virtual hx::ResultT GetValue(const char* name, char** value) = 0;
  // Replaces the preference by this one value. A preference the administrator fixed in the
  // configuration keeps its value (still success). RC_INVALID_ARG for a null name or value.
  virtual hx::ResultT SetValue(const char* name, const char* value) = 0;

 protected:
  ~ZORHXPreferencesI() = default;
};

class ZORHXContextI : public ZORUnknownI {
 public:
  // A failure the user should see: logged as an error and added to the run's error buffer,
  // which the closing window shows. `id` is the reporter's message id (negative), `text` the
  // finished message. Answers `id`.
  virtual hx::ResultT ReportError(int32_t id, const char* text) = 0;

 protected:
  ~ZORHXContextI() = default;
};

class ZORHXLogI : public ZORUnknownI {
 public:
  enum SeverityE : int32_t { c_Info = 0, c_Warning = 1 };
  // One line in the run's log with the reporter's message id (negative) and its finished text.
  virtual hx::ResultT LogLine(int32_t id, int32_t severity, const char* text) = 0;

 protected:
  ~ZORHXLogI() = default;
};

class ZORHXStopI : public ZORUnknownI {
 public:
  // Whether the run is being stopped. Cheap: it may be asked many times a second.
  virtual bool IsStopping() = 0;

 protected:
  ~ZORHXStopI() = default;
};
