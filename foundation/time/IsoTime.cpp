#include "foundation/time/IsoTime.h"

#include "foundation/core/Format.h"
#include "foundation/messages/Errors.h"
#include "foundation/time/TimeMessages.h"

namespace {

// hhmmss, hhmmssZ and hhmmss+hhmm.
constexpr size_t kLocalLength = 6;
constexpr size_t kUniversalLength = 7;
constexpr size_t kOffsetLength = 11;
constexpr int32_t kMinutesPerHour = 60;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t Digits(const std::string& s, size_t from, size_t count) {
  int32_t v = 0;
  for (size_t i = from; i < from + count; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

void EraseAt(std::string& s, size_t pos, char c) {
  if (s.size() > pos && s[pos] == c) s.erase(pos, 1);
}

// Turns the loose forms into the strict ones: "12:30:45" gives "123045", "12" gives "120000",
// "1230Z" gives "123000Z", a zone "+01:00" gives "+0100" and "+1" gives "+1000".
std::string MakeStrict(std::string text) {
  if (text.size() < 2) return text;
  EraseAt(text, 2, ':');
  EraseAt(text, 4, ':');
  for (size_t pos = 2; pos < kLocalLength; ++pos) {
    if (pos >= text.size() || !IsDigit(text[pos])) text.insert(pos, 1, '0');
  }
  EraseAt(text, 9, ':');
  // A signed zone needs at least its sign and first digit before it can be filled up; a
  // seven-character text is the complete universal form and is left alone.
  if (text.size() > kUniversalLength && text.size() < kOffsetLength) text.resize(kOffsetLength, '0');
  return text;
}

}  // namespace

IsoTimeC::IsoTimeC() : offset_(hx::LocalStandardOffset()) {}

IsoTimeC::IsoTimeC(int32_t hour, int32_t minute, int32_t second, ZoneE zone, int32_t offset)
    : hour_(hour), minute_(minute), second_(second), zone_(zone), offset_(hx::LocalStandardOffset()) {
  if (!setZone(zone, offset)) invalid_ = true;
}

void IsoTimeC::set(int32_t hour, int32_t minute, int32_t second) {
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  invalid_ = false;
}

bool IsoTimeC::setZone(ZoneE zone, int32_t offset) {
  int32_t minutes = 0;
  bool isExplicit = false;
  if (!hx::ResolveOffset(offset, &minutes, &isExplicit)) return false;
  setZoneMinutes(zone, minutes, isExplicit);
  return true;
}

void IsoTimeC::setZoneMinutes(ZoneE zone, int32_t minutes, bool offsetGiven) {
  zone_ = zone;
  offset_ = minutes;
  offsetGiven_ = offsetGiven;
  daylight_ = false;
}

void IsoTimeC::setMarks(bool daylightSaving, bool offsetGiven) {
  daylight_ = daylightSaving;
  offsetGiven_ = offsetGiven;
}

bool IsoTimeC::valid() const {
  return !invalid_ && hour_ >= 0 && hour_ < 24 && minute_ >= 0 && minute_ < 60 && second_ >= 0 &&
         second_ < 60;
}

int IsoTimeC::compareClock(const IsoTimeC& other) const {
  if (hour_ != other.hour_) return hour_ < other.hour_ ? -1 : 1;
  if (minute_ != other.minute_) return minute_ < other.minute_ ? -1 : 1;
  if (second_ != other.second_) return second_ < other.second_ ? -1 : 1;
  return 0;
}

hx::ResultT IsoTimeC::toString(StringC* text, bool withOffset) const {
  text->clear();
  if (!valid()) {
    return Error(hx::MSG_TIME_INVALID_TO_TEXT, "Cannot convert invalid time %02d:%02d:%2d to string", hour_,
                 minute_, second_);
  }
  *text = hx::Format("%02d%02d%02d", hour_, minute_, second_);
  if (zone_ == UniversalTime) {
    text->push_back('Z');
  } else if (withOffset) {
    const int32_t hhmm = hx::MinutesToHhmm(offset_ + (daylight_ ? kMinutesPerHour : 0));
    text->push_back(hhmm < 0 ? '-' : '+');
    text->append(hx::Format("%04d", hhmm < 0 ? -hhmm : hhmm));
  }
  return hx::RC_OK;
}

hx::ResultT IsoTimeC::fromString(const StringC& original, bool lenient) {
  const std::string text = lenient ? MakeStrict(original) : original;
  const size_t length = text.size();
  if (length != kLocalLength && length != kUniversalLength && length != kOffsetLength) {
    return Error(hx::MSG_TIME_BAD_LENGTH,
                 "Time '%S' is formatted incorrectly, %d characters but must be 6, 7 or 11 characters",
                 text, static_cast<int32_t>(length));
  }
  for (size_t i = 0; i < kLocalLength; ++i) {
    if (!IsDigit(text[i])) {
      return Error(hx::MSG_TIME_NOT_NUMERIC, "Time '%S' formatted incorrectly, not numeric at character %d",
                   text, static_cast<int32_t>(i + 1));
    }
  }
  set(Digits(text, 0, 2), Digits(text, 2, 2), Digits(text, 4, 2));

  bool zoneOk = true;
  if (length == kLocalLength) {
    HX_IGNORE_RESULT(setZone(LocalTime, c_NoOffset));  // no offset is never refused
  } else if (length == kUniversalLength) {
    zoneOk = text[6] == 'Z' && setZone(UniversalTime, c_NoOffset);
  } else {
    const char sign = text[6];
    zoneOk = (sign == '+' || sign == '-') && IsDigit(text[7]) && IsDigit(text[8]) && IsDigit(text[9]) &&
             IsDigit(text[10]);
    if (zoneOk) {
      const int32_t magnitude = Digits(text, 7, 4);
      const int32_t hhmm = sign == '-' ? -magnitude : magnitude;
      zoneOk = hx::IsAcceptableHhmm(hhmm) && setZone(LocalTime, hhmm);
    }
  }
  if (!zoneOk) {
    return Error(hx::MSG_TIME_BAD_ZONE, "Time '%S' formatted incorrectly, timezone is invalid", text);
  }
  if (!valid()) return Error(hx::MSG_TIME_NOT_VALID, "Time '%S' is not valid.", text);
  return hx::RC_OK;
}
