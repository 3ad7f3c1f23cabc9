#include "foundation/time/IsoDateTime.h"

#include <cstring>

#include "foundation/messages/Errors.h"
#include "foundation/time/TimeMessages.h"

namespace {

constexpr int32_t kTmYearBase = 1900;
constexpr int32_t kFirstYear = 1970;  // the epoch
constexpr int32_t kEndYear = 2038;    // the end of 32-bit time values
constexpr int64_t kMinutesPerDay = 24 * 60;
constexpr int32_t kMinutesPerHour = 60;
constexpr size_t kFormatBufferSize = 80;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

IsoDateTimeC::IsoDateTimeC() { normalise(); }

IsoDateTimeC::IsoDateTimeC(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                           int32_t second, ZoneE zone, int32_t offset)
    : date_(year, month, day), time_(hour, minute, second, zone, offset) {
  normalise();
}

void IsoDateTimeC::Set(time_t seconds) {
  struct tm tm;
  if (gmtime_r(&seconds, &tm) == nullptr) {
    Set(nullptr, IsoTimeC::UniversalTime, c_NoOffset);
    return;
  }
  // Normalisation of the universal value asks the local rules about daylight saving.
  Set(&tm, IsoTimeC::UniversalTime, c_NoOffset);
}

void IsoDateTimeC::Set(const struct tm* tm, ZoneE zone, int32_t offset) {
  if (tm == nullptr) {
    date_.setInvalid();
    time_.setInvalid();
    return;
  }
  date_.set(tm->tm_year + kTmYearBase, tm->tm_mon + 1, tm->tm_mday);
  date_.setWeekFields(tm->tm_wday, tm->tm_yday);
  time_.set(tm->tm_hour, tm->tm_min, tm->tm_sec);
  if (!time_.setZone(zone, offset)) {
    time_.setInvalid();
    return;
  }
  const bool systemSaid = zone != IsoTimeC::UniversalTime && tm->tm_isdst >= 0;
  time_.setMarks(tm->tm_isdst > 0, time_.offsetGiven() || systemSaid);
  normalise();
}

void IsoDateTimeC::SetCurrent(ZoneE zone, int32_t offset) {
  Set(std::time(nullptr));
  // The clock's own time is valid; an offset that cannot be read leaves it in the local zone.
  HX_IGNORE_RESULT(SetTimezone(zone, offset));
}

hx::ResultT IsoDateTimeC::SetTimezone(ZoneE zone, int32_t offset) {
  int32_t minutes = 0;
  bool isExplicit = false;
  if (!hx::ResolveOffset(offset, &minutes, &isExplicit)) return hx::RC_INVALID_ARG;
  if (zone == time_.zone()) return hx::RC_OK;
  if (!valid()) return hx::RC_FAIL;
  moveToZone(zone, minutes, isExplicit);
  return hx::RC_OK;
}

void IsoDateTimeC::moveToZone(ZoneE zone, int32_t offsetMinutes, bool offsetExplicit) {
  const int32_t daylight = time_.daylightSaving() ? kMinutesPerHour : 0;
  if (zone == IsoTimeC::UniversalTime) {
    addMinutes(-(time_.offset() + daylight));
    time_.setZoneMinutes(zone, time_.offset(), time_.offsetGiven());
  } else {
    addMinutes(offsetMinutes + daylight);
    time_.setZoneMinutes(zone, offsetMinutes, offsetExplicit || time_.offsetGiven());
  }
  // The daylight-saving mark describes the moment, which has not changed.
  time_.setMarks(daylight != 0, time_.offsetGiven());
}

void IsoDateTimeC::addMinutes(int64_t minutes) {
  const int64_t total = time_.hour() * int64_t{60} + time_.minute() + minutes;
  const int64_t days = FloorDiv(total, kMinutesPerDay);
  const int64_t inDay = total - days * kMinutesPerDay;
  time_.set(static_cast<int32_t>(inDay / 60), static_cast<int32_t>(inDay % 60), time_.second());
  date_.addDays(static_cast<int32_t>(days));
}

void IsoDateTimeC::normalise() {
  if (date_.invalidMark() || time_.invalidMark()) return;
  clampRange();
  date_.updateWeekFields();
  if (valid()) updateDaylightMarks();
}

void IsoDateTimeC::clampRange() {
  int32_t year;
  if (date_.year() < kFirstYear) {
    year = kFirstYear;
  } else if (date_.year() >= kEndYear) {
    year = kEndYear;
  } else {
    return;
  }
  date_.set(year, 1, 1);
  time_.set(0, 0, 0);
  HX_IGNORE_RESULT(time_.setZone(IsoTimeC::LocalTime, c_NoOffset));  // no offset is never refused
}

void IsoDateTimeC::updateDaylightMarks() {
  struct tm tm = toTm();
  if (time_.zone() == IsoTimeC::UniversalTime) {
    const time_t t = timegm(&tm);
    struct tm local;
    if (localtime_r(&t, &local) == nullptr) return;
    time_.setMarks(local.tm_isdst > 0, local.tm_isdst >= 0);
  } else if (!time_.offsetGiven()) {
    tm.tm_isdst = -1;
    if (mktime(&tm) == static_cast<time_t>(-1) && tm.tm_isdst < 0) return;
    time_.setMarks(tm.tm_isdst > 0, tm.tm_isdst >= 0);
  }
}

struct tm IsoDateTimeC::toTm() const {
  struct tm tm;
  std::memset(&tm, 0, sizeof tm);
  tm.tm_year = date_.year() - kTmYearBase;
  tm.tm_mon = date_.month() - 1;
  tm.tm_mday = date_.day();
  tm.tm_hour = time_.hour();
  tm.tm_min = time_.minute();
  tm.tm_sec = time_.second();
  tm.tm_wday = date_.weekDay() < 0 ? 0 : date_.weekDay();
  tm.tm_yday = date_.yearDay() < 0 ? 0 : date_.yearDay();
  tm.tm_isdst = 0;
  return tm;
}

hx::ResultT IsoDateTimeC::Get(struct tm* tm) const {
  if (tm == nullptr) return hx::RC_NULL_OUT;
  *tm = toTm();
  return valid() ? hx::RC_OK : hx::RC_FAIL;
}

hx::ResultT IsoDateTimeC::Get(time_t* seconds) const {
  if (seconds == nullptr) return hx::RC_NULL_OUT;
  if (!valid()) return hx::RC_FAIL;
  struct tm tm = toTm();
  if (time_.zone() == IsoTimeC::UniversalTime) {
    *seconds = timegm(&tm);
  } else if (time_.offsetGiven()) {
    const int32_t daylight = time_.daylightSaving() ? kMinutesPerHour : 0;
    *seconds = timegm(&tm) - static_cast<time_t>(time_.offset() + daylight) * 60;
  } else {
    tm.tm_isdst = -1;
    *seconds = mktime(&tm);
  }
  return hx::RC_OK;
}

hx::ResultT IsoDateTimeC::toString(StringC* text, bool withOffset) const {
  if (text == nullptr) return hx::RC_NULL_OUT;
  std::string dateText, timeText;
  const hx::ResultT dateRc = date_.toString(&dateText);
  const hx::ResultT timeRc = time_.toString(&timeText, withOffset);
  *text = dateText + "T" + timeText;
  return hx::Failed(dateRc) ? dateRc : timeRc;
}

StringC IsoDateTimeC::FormatTime(const StringC& format) const {
  struct tm tm;
  if (hx::Failed(Get(&tm))) return StringC();
  char buffer[kFormatBufferSize];
  const std::string sysFormat = hx::Utf8ToSys8(format);
  const size_t n = strftime(buffer, sizeof buffer, sysFormat.c_str(), &tm);
  return hx::Sys8ToUtf8(std::string_view(buffer, n));
}

hx::ResultT IsoDateTimeC::fromString(const StringC& text, bool lenient) {
  size_t sep = text.find('T');
  if (sep == StringC::npos && lenient) sep = text.find_first_of(" \t");
  if (sep == StringC::npos) {
    return Error(hx::MSG_DATETIME_NO_SEPARATOR,
                 "Date-Time string '%S' formatted incorrectly, missing time separator character", text);
  }
  const hx::ResultT dateRc = date_.fromString(text.substr(0, sep), lenient);
  const hx::ResultT timeRc = time_.fromString(text.substr(sep + 1), lenient);
  if (hx::Failed(dateRc)) return dateRc;
  if (hx::Failed(timeRc)) return timeRc;
  normalise();
  return hx::RC_OK;
}

int IsoDateTimeC::compare(const IsoDateTimeC& other) const {
  IsoDateTimeC o = other;
  if (o.time_.zone() != time_.zone() && o.valid()) {
    o.moveToZone(time_.zone(), time_.offset(), time_.offsetGiven());
  }
  const int byDate = date_.compare(o.date_);
  return byDate != 0 ? byDate : time_.compareClock(o.time_);
}
