#include "foundation/process/ToolLimits.h"

#include <sys/types.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace hx {

namespace {

// The runner is used from one thread at a time; a few slots keep the stop right should two
// tools ever overlap.
constexpr int c_MaxTrackedGroups = 8;

std::atomic<long> s_timeoutSeconds{c_DefaultToolTimeoutSeconds};
std::atomic<bool> s_stopped{false};
std::atomic<pid_t> s_groups[c_MaxTrackedGroups] = {};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "the stop is pulled from a signal handler");

}  // namespace

void SetToolTimeout(long seconds) {
  if (seconds <= 0) seconds = c_DefaultToolTimeoutSeconds;
  s_timeoutSeconds.store(seconds > c_MaxToolTimeoutSeconds ? c_MaxToolTimeoutSeconds : seconds);
}

long GetToolTimeout() { return s_timeoutSeconds.load(); }

void StopTools() noexcept {
  const int savedErrno = errno;
  s_stopped.store(true);
  for (std::atomic<pid_t>& group : s_groups) {
    const pid_t pgid = group.load();
    if (pgid > 0) ::kill(-pgid, SIGTERM);
  }
  errno = savedErrno;
}

bool ToolsStopped() { return s_stopped.load(); }

namespace proc {

void TrackToolGroup(long pgid) {
  for (std::atomic<pid_t>& group : s_groups) {
    pid_t none = 0;
    if (group.compare_exchange_strong(none, static_cast<pid_t>(pgid))) return;
  }
  // Every slot taken: the group is not ended by a stop signal, but the runner still ends it
  // when it next looks (ToolsStopped) and at its time limit.
}

void ForgetToolGroup(long pgid) {
  for (std::atomic<pid_t>& group : s_groups) {
    pid_t mine = static_cast<pid_t>(pgid);
    if (group.compare_exchange_strong(mine, 0)) return;
  }
}

}  // namespace proc

}  // namespace hx
