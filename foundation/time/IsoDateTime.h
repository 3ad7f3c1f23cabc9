#pragma once
// IsoDateTimeC: the one date and time value of the inventory. It is made from the system's
// time values, moved between universal and local time, and written in the compact ISO form
// ("20091231T235959Z" universal, "20091231T235959" local) that receivers of the inventory read.
//
// Every construction and Set normalises the value: years before 1970 and from 2038 on are
// clamped to the range the system's time values cover, and the daylight-saving and
// offset-given marks are brought in step with the local zone rules at the moment denoted.

#include <cstdint>
#include <ctime>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/time/IsoDate.h"
#include "foundation/time/IsoTime.h"

class IsoDateTimeC {
 public:
  using ZoneE = IsoTimeC::ZoneE;
  static constexpr int32_t c_NoOffset = hx::c_NoOffset;

  // 2000-01-01 00:00:00 local time, no explicit offset.
  IsoDateTimeC();
  // offset: hhmm or c_NoOffset.
  IsoDateTimeC(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
               ZoneE zone, int32_t offset);

  const IsoDateC& date() const { return date_; }
  const IsoTimeC& time() const { return time_; }

  // Seconds since the epoch, as universal time.
  void Set(time_t seconds);
  // The fields of a broken-down time; null marks the value invalid.
  void Set(const struct tm* tm, ZoneE zone, int32_t offset);
  // The current time in the requested zone.
  void SetCurrent(ZoneE zone, int32_t offset);
  // Moves the value to another zone kind; the clock and the date follow, carrying across
  // day, month and year ends. Going to local time adds the offset (hhmm or c_NoOffset for the
  // local standard offset) and an hour more under daylight saving; going to universal time
  // takes off the value's own offset the same way. Nothing happens when the zone kind is
  // already the requested one. RC_INVALID_ARG for an unacceptable offset, RC_FAIL for an
  // invalid value.
  HX_NODISCARD hx::ResultT SetTimezone(ZoneE zone, int32_t offset);

  // The fields as a broken-down time (daylight flag 0). RC_FAIL for an invalid value, whose
  // fields are still copied.
  HX_NODISCARD hx::ResultT Get(struct tm* tm) const;
  // The seconds since the epoch the value denotes. A local value is read with the offset and
  // daylight saving it carries when the system has said them, else by the local zone rules.
  HX_NODISCARD hx::ResultT Get(time_t* seconds) const;

  bool valid() const { return date_.valid() && time_.valid(); }

  // Date text, "T", time text; 0 or the error of the date part, else that of the time part.
  // The parts that are valid are written either way.
  HX_NODISCARD hx::ResultT toString(StringC* text, bool withOffset = false) const;
  // The value formatted with strftime; empty when the value is invalid or the text does not
  // fit the 80-byte buffer.
  StringC FormatTime(const StringC& format) const;
  // Reads "date T time" (lenient: also a blank between them, and the loose forms of both
  // parts). 0 or the first error; the value is normalised only when both parts are read.
  HX_NODISCARD hx::ResultT fromString(const StringC& text, bool lenient);

  // The other value is first moved to this value's zone kind.
  bool operator==(const IsoDateTimeC& o) const { return compare(o) == 0; }
  bool operator!=(const IsoDateTimeC& o) const { return compare(o) != 0; }
  bool operator<(const IsoDateTimeC& o) const { return compare(o) < 0; }
  bool operator>(const IsoDateTimeC& o) const { return compare(o) > 0; }
  bool operator<=(const IsoDateTimeC& o) const { return compare(o) <= 0; }
  bool operator>=(const IsoDateTimeC& o) const { return compare(o) >= 0; }

 private:
  int compare(const IsoDateTimeC& other) const;
  void moveToZone(ZoneE zone, int32_t offsetMinutes, bool offsetExplicit);
  void addMinutes(int64_t minutes);
  void normalise();
  void clampRange();
  void updateDaylightMarks();
  struct tm toTm() const;

  IsoDateC date_;
  IsoTimeC time_;
};
