#include "prefs/registry/ConfClock.h"

#include <atomic>
#include <ctime>

namespace hx {
namespace {

int64_t MonotonicNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * kConfNsPerSecond + ts.tv_nsec;
}

std::atomic<int64_t (*)()> g_clock{nullptr};

}  // namespace

int64_t ConfNowNs() {
  int64_t (*clock)() = g_clock.load(std::memory_order_acquire);
  return clock ? clock() : MonotonicNs();
}

void ConfSetClock(int64_t (*clock)()) { g_clock.store(clock, std::memory_order_release); }

}  // namespace hx
