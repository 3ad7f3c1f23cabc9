#pragma once
// The monotonic clock behind the registry's change checks and the typed values' read cache.
// Both ask "has enough time passed since the last look?"; tests replace the clock to answer
// that without sleeping.

#include <cstdint>

namespace hx {

// Nanoseconds on a monotonic clock (or on the replacement clock).
int64_t ConfNowNs();
// Replaces the clock; null restores the monotonic clock.
void ConfSetClock(int64_t (*clock)());

constexpr int64_t kConfNsPerSecond = 1000000000;

}  // namespace hx
