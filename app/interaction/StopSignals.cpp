#include "app/interaction/StopSignals.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

#include "foundation/process/ToolLimits.h"

namespace {

// Written from the signal handler: only lock-free atomics may be touched there.
std::atomic<int> g_signal{0};
std::atomic<bool> g_fresh{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the stop flags are written from a signal handler");

extern "C" void OnStopSignal(int sig) {
  int none = 0;
  g_signal.compare_exchange_strong(none, sig);
  g_fresh.store(true);
  hx::StopTools();
}

}  // namespace

namespace trk {

void InstallStopSignals() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(sig, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(sig, &action, nullptr);
  }
}

int StopSignal() { return g_signal.load(); }

bool TakeStopSignal() { return g_fresh.exchange(false); }

}  // namespace trk
