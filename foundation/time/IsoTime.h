#pragma once
// IsoTimeC: a time of day with the zone it is read in (123045 local, 123045Z universal,
// 123045+0100 local with an explicit offset).

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/time/LocalZone.h"

class IsoTimeC {
 public:
  enum ZoneE { LocalTime = 0, UniversalTime = 1 };
  static constexpr int32_t c_NoOffset = hx::c_NoOffset;

  // 00:00:00 local time with the local standard offset.
  IsoTimeC();
  // offset is hhmm or c_NoOffset; an unacceptable offset leaves the time marked invalid.
  IsoTimeC(int32_t hour, int32_t minute, int32_t second, ZoneE zone, int32_t offset);

  int32_t hour() const { return hour_; }
  int32_t minute() const { return minute_; }
  int32_t second() const { return second_; }
  ZoneE zone() const { return zone_; }
  // Minutes east of universal time of the local zone the value refers to, daylight saving
  // not included.
  int32_t offset() const { return offset_; }
  bool daylightSaving() const { return daylight_; }
  bool offsetGiven() const { return offsetGiven_; }
  bool invalidMark() const { return invalid_; }

  // Sets the clock fields and clears the invalid mark.
  void set(int32_t hour, int32_t minute, int32_t second);
  // Sets the zone kind and the offset (hhmm or c_NoOffset); an explicit offset sets the
  // offset-given mark, c_NoOffset clears it. Returns false, changing nothing, for an
  // unacceptable offset.
  HX_NODISCARD bool setZone(ZoneE zone, int32_t offset);
  // The same with the offset already in minutes.
  void setZoneMinutes(ZoneE zone, int32_t minutes, bool offsetGiven);
  void setMarks(bool daylightSaving, bool offsetGiven);
  void setInvalid() { invalid_ = true; }

  bool valid() const;
  // <0, 0, >0 ordering by hour, minute, second; the zone is not looked at.
  int compareClock(const IsoTimeC& other) const;

  // "%02d%02d%02d" of hour, minute and second, then "Z" for universal time, or with
  // withOffset the signed hhmm offset of a local time (daylight saving included). An invalid
  // time reports MSG_TIME_INVALID_TO_TEXT and leaves text empty.
  HX_NODISCARD hx::ResultT toString(StringC* text, bool withOffset) const;
  // Reads hhmmss with an optional "Z" or signed hhmm zone; lenient also takes hh:mm:ss,
  // missing minutes or seconds and a zone +hh:mm. Fields read before a failure are kept.
  HX_NODISCARD hx::ResultT fromString(const StringC& text, bool lenient);

 private:
  int32_t hour_ = 0;
  int32_t minute_ = 0;
  int32_t second_ = 0;
  ZoneE zone_ = LocalTime;
  int32_t offset_ = 0;
  bool daylight_ = false;
  bool offsetGiven_ = false;
  bool invalid_ = false;
};
