// Arbitrary bytes as ISO date-time text, read leniently and strictly and written back: nothing
// may crash or read out of bounds, and every result is 0 or one of the documented message ids.

#include "FuzzSupport.h"
#include "foundation/messages/Errors.h"
#include "foundation/time/IsoDateTime.h"
#include "foundation/time/TimeMessages.h"

static bool IsDocumented(hx::ResultT rc) {
  for (hx::ResultT known : {hx::RC_OK, hx::MSG_TIME_INVALID_TO_TEXT, hx::MSG_DATE_INVALID_TO_TEXT, hx::MSG_TIME_BAD_LENGTH,
                            hx::MSG_TIME_NOT_NUMERIC, hx::MSG_TIME_BAD_ZONE, hx::MSG_TIME_NOT_VALID, hx::MSG_DATE_BAD_LENGTH,
                            hx::MSG_DATE_NOT_NUMERIC, hx::MSG_DATE_NOT_VALID, hx::MSG_DATETIME_NO_SEPARATOR})
    if (rc == known) return true;
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text is copied into a string of its exact size so that a read past its end is seen.
  const std::string text = hxfuzz::Text(data, size);
  for (bool lenient : {true, false}) {
    IsoDateTimeC value;
    const hx::ResultT rc = value.fromString(text, lenient);
    hxfuzz::Check(IsDocumented(rc));
    StringC back;
    const hx::ResultT writeRc = value.toString(&back, lenient);
    // A value that was read whole is written back without complaint.
    hxfuzz::Check(IsDocumented(writeRc) && (rc != hx::RC_OK || writeRc == hx::RC_OK));
    hxfuzz::Check(IsDocumented(value.toString(&back, !lenient)));
    time_t seconds;
    HX_IGNORE_RESULT(value.Get(&seconds));  // only that it does not crash
    IsoDateTimeC other;
    hxfuzz::Check(!(value < other && value > other));
  }
  getErrBuf()->reset();
  return 0;
}
