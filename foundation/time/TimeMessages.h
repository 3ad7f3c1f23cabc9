#pragma once
// Message ids of the date and time values. Each failure of a conversion is reported through the
// error buffer with one of these ids and returned as the result.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

HX_NODISCARD constexpr ResultT MsgDateTime(uint32_t number) { return ToResult(MSGSET_DATETIME | number); }

// Writing a value as text.
constexpr ResultT MSG_TIME_INVALID_TO_TEXT = MsgDateTime(0x0064);  // time fields out of range
constexpr ResultT MSG_DATE_INVALID_TO_TEXT = MsgDateTime(0x00C8);  // date fields out of range

// Reading a time text.
constexpr ResultT MSG_TIME_BAD_LENGTH = MsgDateTime(0x0065);
constexpr ResultT MSG_TIME_NOT_NUMERIC = MsgDateTime(0x0066);
constexpr ResultT MSG_TIME_BAD_ZONE = MsgDateTime(0x0067);
constexpr ResultT MSG_TIME_NOT_VALID = MsgDateTime(0x0068);

// Reading a date text.
constexpr ResultT MSG_DATE_BAD_LENGTH = MsgDateTime(0x00C9);
constexpr ResultT MSG_DATE_NOT_NUMERIC = MsgDateTime(0x00CA);
constexpr ResultT MSG_DATE_NOT_VALID = MsgDateTime(0x00CB);

// Reading a date-time text.
constexpr ResultT MSG_DATETIME_NO_SEPARATOR = MsgDateTime(0x012C);

}  // namespace hx
