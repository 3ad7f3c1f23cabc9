#pragma once
// Reporting an expansion of "$(Name)" references that stopped at one of its limits: a warning in
// the log (message 0xE0BD0074, letter G) naming the value and the reason.
//
// The log manager reads its own settings (LogFile, LogLevel, ...) through the same expansion,
// while it sets itself up under its own lock. A report made then, or while another report is
// being logged, would re-enter the logger; it waits instead and is logged by the next
// expansion that finishes outside the logger.

#include "foundation/core/Result.h"
#include "foundation/messages/TrackerMessages.h"
#include "foundation/core/Text.h"

enum class env_ExpandLimitE { None, References, Length, Repeats };

// Logs that the expansion of `what` (a preference name or a text) left `stoppedAt` and the rest
// as written because of `limit`; `repeated` is the name that would repeat (Repeats only).
void env_ReportExpandLimit(const StringC& what, const StringC& stoppedAt, env_ExpandLimitE limit,
                           const StringC& repeated);
// Logs the reports that are waiting, unless this thread is inside the logger.
void env_FlushExpandReports();

// While one exists on a thread, the reports made on that thread wait (the logger's settings are
// read under one).
class env_ExpandReportsWaitC {
 public:
  env_ExpandReportsWaitC();
  ~env_ExpandReportsWaitC();
  env_ExpandReportsWaitC(const env_ExpandReportsWaitC&) = delete;
  env_ExpandReportsWaitC& operator=(const env_ExpandReportsWaitC&) = delete;
};

namespace trk {
constexpr hx::ResultT LOG_EXPANSION_STOPPED = trk::TrkMsg(0x0074);
constexpr const char* TXT_LOG_EXPANSION_STOPPED =
    "\x01\x01w\x01WARNING: Expansion of '%1$s' stopped at $(%2$s): %3$s; the rest is left as written";
}  // namespace trk
