#pragma once
// Message ids and default texts of the logging service itself.

#include "foundation/core/Result.h"

namespace hx {

// A free text logged with log_LogManagerC::Log(char*).
constexpr ResultT kMsgLogFreeText = ToResult(0xE0010001u);
constexpr const char* kTxtLogFreeText = "\x01\x01i\x01%1$s";
// The strftime format of a log line's time stamp ("%%c" formats to "%c").
constexpr ResultT kMsgLogTimeFormat = ToResult(0xE0010002u);
constexpr const char* kTxtLogTimeFormat = "\x01\x01i\x01%%c";
// A log line: time stamp, letter, number, text.
constexpr ResultT kMsgLogLine = ToResult(0xE0010003u);
constexpr const char* kTxtLogLine = "\x01\x01i\x01[%1$s (%2$c, %3$d)] %4$s";

// A message id as the log manager puts it together from a set and a number.
constexpr uint32_t kLogIdBits = 0xE0000000u;
constexpr uint32_t kLogSetShift = 16;
constexpr uint32_t kLogSetMask = 0xFFFu;
constexpr uint32_t kLogNumberMask = 0xFFFFu;
constexpr uint32_t LogSetOf(int32_t id) { return (static_cast<uint32_t>(id) >> kLogSetShift) & kLogSetMask; }
constexpr uint32_t LogNumberOf(int32_t id) { return static_cast<uint32_t>(id) & kLogNumberMask; }
constexpr int32_t LogIdOf(uint32_t set, uint32_t number) {
  return ToResult(kLogIdBits | ((set & kLogSetMask) << kLogSetShift) | (number & kLogNumberMask));
}

}  // namespace hx
