#pragma once
// IsoDateC: a calendar date of the Gregorian calendar as the inventory writes it (20091231).

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class IsoDateC {
 public:
  // 2000-01-01.
  IsoDateC() = default;
  IsoDateC(int32_t year, int32_t month, int32_t day) : year_(year), month_(month), day_(day) {}

  int32_t year() const { return year_; }
  int32_t month() const { return month_; }
  int32_t day() const { return day_; }
  // Day of the week (0 Sunday) and day of the year (0 for 1 January); -1 until known.
  int32_t weekDay() const { return weekDay_; }
  int32_t yearDay() const { return yearDay_; }
  bool invalidMark() const { return invalid_; }

  // Sets the date and clears the invalid mark; the week-year fields become unknown.
  void set(int32_t year, int32_t month, int32_t day);
  void setWeekFields(int32_t weekDay, int32_t yearDay);
  // Derives the week-year fields from the date (a valid date only).
  void updateWeekFields();
  // Marks the value as made from nothing.
  void setInvalid() { invalid_ = true; }

  bool valid() const;
  // Moves a valid date by whole days across month and year ends.
  void addDays(int32_t days);
  // <0, 0, >0 ordering by year, month, day.
  int compare(const IsoDateC& other) const;

  // The date as "%02d%02d%02d" of year, month and day. An invalid date reports
  // MSG_DATE_INVALID_TO_TEXT and leaves text empty.
  HX_NODISCARD hx::ResultT toString(StringC* text) const;
  // Reads eight digits yyyymmdd; lenient also takes yyyy-mm-dd. Fields read before a failure
  // are kept.
  HX_NODISCARD hx::ResultT fromString(const StringC& text, bool lenient);

  static bool IsLeapYear(int32_t year);
  static int32_t DaysInYear(int32_t year) { return IsLeapYear(year) ? 366 : 365; }
  // 0 for a month outside 1..12.
  static int32_t DaysInMonth(int32_t year, int32_t month);

 private:
  int32_t year_ = 2000;
  int32_t month_ = 1;
  int32_t day_ = 1;
  int32_t weekDay_ = -1;
  int32_t yearDay_ = -1;
  bool invalid_ = false;
};
