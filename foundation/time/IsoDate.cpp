#include "foundation/time/IsoDate.h"

#include "foundation/core/Format.h"
#include "foundation/messages/Errors.h"
#include "foundation/time/TimeMessages.h"

namespace {

constexpr int32_t kDateTextLength = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t Digits(const std::string& s, size_t from, size_t count) {
  int32_t v = 0;
  for (size_t i = from; i < from + count; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

// Days since 1970-01-01 of a proleptic Gregorian date (negative before); from the civil-date
// arithmetic that counts 400-year eras starting in March.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(int64_t z, int32_t* year, int32_t* month, int32_t* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  *year = static_cast<int32_t>(yoe + era * 400 + (m <= 2));
  *month = static_cast<int32_t>(m);
  *day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
}

}  // namespace

bool IsoDateC::IsLeapYear(int32_t year) {
  return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int32_t IsoDateC::DaysInMonth(int32_t year, int32_t month) {
  static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

void IsoDateC::set(int32_t year, int32_t month, int32_t day) {
  year_ = year;
  month_ = month;
  day_ = day;
  weekDay_ = yearDay_ = -1;
  invalid_ = false;
}

void IsoDateC::setWeekFields(int32_t weekDay, int32_t yearDay) {
  weekDay_ = weekDay;
  yearDay_ = yearDay;
}

void IsoDateC::updateWeekFields() {
  if (!valid()) return;
  const int64_t days = DaysFromCivil(year_, month_, day_);
  // 1970-01-01 was a Thursday (4).
  weekDay_ = static_cast<int32_t>(((days + 4) % 7 + 7) % 7);
  yearDay_ = static_cast<int32_t>(days - DaysFromCivil(year_, 1, 1));
}

bool IsoDateC::valid() const {
  return !invalid_ && year_ >= 1 && month_ >= 1 && month_ <= 12 && day_ >= 1 &&
         day_ <= DaysInMonth(year_, month_);
}

void IsoDateC::addDays(int32_t days) {
  if (!valid()) return;
  CivilFromDays(DaysFromCivil(year_, month_, day_) + days, &year_, &month_, &day_);
  updateWeekFields();
}

int IsoDateC::compare(const IsoDateC& other) const {
  if (year_ != other.year_) return year_ < other.year_ ? -1 : 1;
  if (month_ != other.month_) return month_ < other.month_ ? -1 : 1;
  if (day_ != other.day_) return day_ < other.day_ ? -1 : 1;
  return 0;
}

hx::ResultT IsoDateC::toString(StringC* text) const {
  text->clear();
  if (!valid()) {
    return Error(hx::MSG_DATE_INVALID_TO_TEXT, "Cannot convert invalid date %04d/%02d/%02d to string",
                 year_, month_, day_);
  }
  *text = hx::Format("%02d%02d%02d", year_, month_, day_);
  return hx::RC_OK;
}

hx::ResultT IsoDateC::fromString(const StringC& original, bool lenient) {
  std::string text = original;
  if (lenient) {
    // yyyy-mm-dd: the dashes sit at the fifth and, once the first is gone, the seventh place.
    if (text.size() > 4 && text[4] == '-') text.erase(4, 1);
    if (text.size() > 6 && text[6] == '-') text.erase(6, 1);
  }
  if (text.size() != kDateTextLength) {
    return Error(hx::MSG_DATE_BAD_LENGTH,
                 "Date '%S' is formatted incorrectly, %d characters but must be 8 characters", text,
                 static_cast<int32_t>(text.size()));
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsDigit(text[i])) {
      return Error(hx::MSG_DATE_NOT_NUMERIC, "Date '%S' formatted incorrectly, not numeric at character %d",
                   text, static_cast<int32_t>(i + 1));
    }
  }
  set(Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2));
  if (!valid()) return Error(hx::MSG_DATE_NOT_VALID, "Date '%S' is not valid.", text);
  return hx::RC_OK;
}
