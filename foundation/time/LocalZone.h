#pragma once
// The local zone as the operating system describes it, and the hhmm offsets that callers use
// to name a zone of their own.

#include <cstdint>

#include "foundation/core/Nodiscard.h"

namespace hx {

// Supplied instead of an hhmm offset: no explicit offset, the local standard offset applies.
constexpr int32_t c_NoOffset = -9999;

// Minutes east of universal time of the local standard time (daylight saving not included).
// The zone rules are loaded once per process; a caller that changes TZ later calls tzset itself.
int32_t LocalStandardOffset();

// Reads an hhmm offset (100 is one hour east, -130 an hour and a half west). An offset is
// acceptable when its absolute value is below 2400 and its last two digits are below 60;
// minutes then receives the offset in minutes east. c_NoOffset gives the local standard offset
// with isExplicit false. Returns false for anything else and leaves the outputs alone.
HX_NODISCARD bool ResolveOffset(int32_t hhmm, int32_t* minutes, bool* isExplicit);

// An explicit hhmm offset within the limits above (c_NoOffset is not one).
constexpr bool IsAcceptableHhmm(int32_t hhmm) {
  return hhmm > -2400 && hhmm < 2400 && (hhmm < 0 ? -hhmm : hhmm) % 100 < 60;
}

// Minutes east as signed hhmm (-90 gives -130).
int32_t MinutesToHhmm(int32_t minutes);

}  // namespace hx
