#pragma once
// The bounds every external tool runs under, for the whole process: how long a tool may run
// (the tracker sets it from its preferences at start-up; the foundation reads no preferences),
// and the stop that the tracker's own signal handling pulls when it is interrupted or
// terminated, which ends the running tools and refuses new ones.

#include <chrono>

namespace hx {

// The time limit when none was set, or the setting was 0 or negative.
constexpr long c_DefaultToolTimeoutSeconds = 300;
// Larger settings are taken as this many seconds (about 31 years): the deadline a limit gives
// must stay far inside the clock's range.
constexpr long c_MaxToolTimeoutSeconds = 1000000000L;
// Between SIGTERM to a tool's process group and SIGKILL to it.
constexpr std::chrono::seconds c_ToolKillGrace{2};

// seconds <= 0 means the default.
void SetToolTimeout(long seconds);
long GetToolTimeout();

// Ends the process group of every tool running now (SIGTERM; the runner waiting for it sends
// SIGKILL after the grace) and makes the runner refuse to start another one. Safe to call from
// a signal handler: it touches only lock-free atomics and calls kill().
void StopTools() noexcept;
bool ToolsStopped();

namespace proc {

// The runner's record of the process groups it has running, which StopTools signals. A group
// is tracked from the fork until its leader is known to have ended, before it is reaped, so
// that its id cannot belong to anyone else while it is in the table.
void TrackToolGroup(long pgid);
void ForgetToolGroup(long pgid);

}  // namespace proc

}  // namespace hx
