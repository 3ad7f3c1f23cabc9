#include "foundation/time/LocalZone.h"

#include <mutex>
#include <time.h>

namespace hx {

int32_t LocalStandardOffset() {
  static std::once_flag once;
  std::call_once(once, [] { tzset(); });
  // `timezone` holds seconds west of universal time.
  return static_cast<int32_t>(-timezone / 60);
}

bool ResolveOffset(int32_t hhmm, int32_t* minutes, bool* isExplicit) {
  if (hhmm == c_NoOffset) {
    *minutes = LocalStandardOffset();
    *isExplicit = false;
    return true;
  }
  if (!IsAcceptableHhmm(hhmm)) return false;
  const int32_t magnitude = hhmm < 0 ? -hhmm : hhmm;
  const int32_t m = magnitude / 100 * 60 + magnitude % 100;
  *minutes = hhmm < 0 ? -m : m;
  *isExplicit = true;
  return true;
}

int32_t MinutesToHhmm(int32_t minutes) {
  const int32_t magnitude = minutes < 0 ? -minutes : minutes;
  const int32_t hhmm = magnitude / 60 * 100 + magnitude % 60;
  return minutes < 0 ? -hhmm : hhmm;
}

}  // namespace hx
