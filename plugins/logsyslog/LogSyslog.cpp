// The syslog logger module: every log entry its filter accepts goes to the system log, with a
// priority from the entry's severity, under the program's name and process id. It uses the
// LogLevel filter unchanged.

#include <syslog.h>

#include "foundation/log/LogModule.h"

namespace {

int Priority(int severity) {
  switch (severity) {
    case HXL_SEV_FATAL: return LOG_CRIT;
    case HXL_SEV_ERROR: return LOG_ERR;
    case HXL_SEV_WARNING: return LOG_WARNING;
    case HXL_SEV_INFORMATION: return LOG_INFO;
    default: return LOG_DEBUG;  // monitor lines and lines without a severity
  }
}

}  // namespace

extern "C" {

void HxlLogInitialize(void) { openlog(nullptr, LOG_PID, LOG_USER); }

void HxlLogFinalize(void) { closelog(); }

void HxlLog(unsigned long /*set*/, unsigned long /*number*/, int severity, const char* text,
            const HxlLogHeaderT* header, const HxlLogRawDataT* /*raw*/) {
  if (text == nullptr) return;
  if (header != nullptr)
    syslog(Priority(severity), "(%c, %d) %s", static_cast<char>(header->letter), static_cast<int>(header->number), text);
  else
    syslog(Priority(severity), "%s", text);
}

}  // extern "C"
