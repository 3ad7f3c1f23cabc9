#include "app/interaction/InterruptGuard.h"

#include <atomic>

namespace {

// Set from the signal handler: only a lock-free atomic may be touched there.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt flag is written from a signal handler");

extern "C" void NoteInterrupt(int) { g_interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

InterruptGuardC::InterruptGuardC() {
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a command being read or a file being written goes on, and the run sees the
  // interrupt at its next poll instead of as a failed step.
  action.sa_flags = SA_RESTART;
  installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptGuardC::~InterruptGuardC() {
  if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptGuardC::TakeInterrupt() { return g_interrupted.exchange(false, std::memory_order_relaxed); }

void InterruptGuardC::Clear() { g_interrupted.store(false, std::memory_order_relaxed); }
