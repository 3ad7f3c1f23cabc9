// Arbitrary bytes as ISO date-time text, read leniently and strictly and written back: nothing
// may crash or read out of bounds, and every result is 0 or one of the documented message ids.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/messages/Errors.h"
#include "foundation/time/IsoDateTime.h"
#include "foundation/time/TimeMessages.h"

namespace {

bool IsDocumented(hx::ResultT rc) {
  switch (rc) {
    case hx::RC_OK:
    case hx::MSG_TIME_INVALID_TO_TEXT:
    case hx::MSG_DATE_INVALID_TO_TEXT:
    case hx::MSG_TIME_BAD_LENGTH:
    case hx::MSG_TIME_NOT_NUMERIC:
    case hx::MSG_TIME_BAD_ZONE:
    case hx::MSG_TIME_NOT_VALID:
    case hx::MSG_DATE_BAD_LENGTH:
    case hx::MSG_DATE_NOT_NUMERIC:
    case hx::MSG_DATE_NOT_VALID:
    case hx::MSG_DATETIME_NO_SEPARATOR:
      return true;
    default:
      return false;
  }
}

void Check(hx::ResultT rc) {
  if (!IsDocumented(rc)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text is copied into a string of its exact size so that a read past its end is seen.
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool lenient : {true, false}) {
    IsoDateTimeC value;
    const hx::ResultT rc = value.fromString(text, lenient);
    Check(rc);
    StringC back;
    const hx::ResultT writeRc = value.toString(&back, lenient);
    Check(writeRc);
    // A value that was read whole is written back without complaint.
    if (rc == hx::RC_OK && writeRc != hx::RC_OK) std::abort();
    Check(value.toString(&back, !lenient));
    time_t seconds;
    value.Get(&seconds);
    IsoDateTimeC other;
    if (value < other && value > other) std::abort();
  }
  getErrBuf()->reset();
  return 0;
}
