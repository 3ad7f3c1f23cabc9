#pragma once
// Log lines of steps that may run before the log exists. Start-up reads the configuration,
// the trace profile and the catalogs before the preferences name the log file; what goes wrong
// there (an untrusted place, a configuration file that cannot be read) must still reach the
// administrator. Such a line is written to the log at once when the log is ready; before that
// it goes to standard error and is kept, and start-up hands every kept line to the log as soon
// as it is ready. The log stands on the messages, so it is the log that says it is ready, by
// installing its writer (hx::SetEarlyLogReady, foundation/log/LogManager.h).

#include <cstdint>
#include <utility>

#include "foundation/core/Format.h"

namespace hx {

// `text` carries its severity markup like any log text (letter G, number 0). With
// alsoStandardError the line goes to standard error even when the log is ready: the log itself
// may be what failed, or the line ends the run and cron should mail it.
void LogEarlyArgs(int32_t id, const char* text, ArgListC args, bool alsoStandardError = false);

template <typename... Args>
void LogEarly(int32_t id, const char* text, Args&&... args) {
  LogEarlyArgs(id, text, ArgListC{ArgC(std::forward<Args>(args))...});
}

// How a line reaches the ready log: the log's writer, installed when the log is ready (kept
// lines are written then) and taken away, null, when it goes.
using EarlyLogWriterT = void (*)(int32_t id, const char* text, const ArgListC& args);
void SetEarlyLogWriter(EarlyLogWriterT writer);
// How many early lines this process produced.
size_t EarlyLogCount();

// While one lives, early lines on this thread go to standard error only: the log manager
// holds one while it sets itself up (its catalog and its file are checked then).
class EarlyLogBusyC {
 public:
  EarlyLogBusyC();
  ~EarlyLogBusyC();
  EarlyLogBusyC(const EarlyLogBusyC&) = delete;
  EarlyLogBusyC& operator=(const EarlyLogBusyC&) = delete;
};

}  // namespace hx
